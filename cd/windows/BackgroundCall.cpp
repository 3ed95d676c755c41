#include "cd/windows/BackgroundCall.h"

namespace quillon {

BackgroundCall::BackgroundCall(QObject* parent) : QObject(parent) {}

BackgroundCall::~BackgroundCall()
{
    Cancel();
    for (Worker& worker : workers_) {
        worker.call->cancel = true;
        worker.thread.join();
    }
}

void BackgroundCall::Cancel()
{
    if (current_) {
        current_->cancel = true;
        current_.reset();
    }
}

std::shared_ptr<BackgroundCall::Call> BackgroundCall::Begin()
{
    Cancel();
    // Workers that have ended are joined now; one still winding down after its cancel
    // is left to end on its own.
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->call->finished) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    current_ = std::make_shared<Call>();
    return current_;
}

void BackgroundCall::Launch(const std::shared_ptr<Call>& call, std::function<void()> body)
{
    workers_.push_back({call, std::thread([call, body = std::move(body)] {
                            body();
                            call->finished = true;
                        })});
}

bool BackgroundCall::Deliver(const std::shared_ptr<Call>& call)
{
    if (call != current_ || call->cancel)
        return false;
    current_.reset();
    return true;
}

} // namespace quillon
