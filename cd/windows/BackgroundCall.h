#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

namespace quillon {

// Runs one blocking call at a time on a worker thread and hands its result to `done` on
// the thread that owns this object (the user-interface thread), through a queued call, so
// the window never waits for the network or a drive.
//
//     call->Start([request](const std::atomic<bool>& cancel) { return LookUpDisc(request, cancel); },
//                 [this](LookupResult found) { Show(found); });
//
// The work is given a cancel flag. Cancel, a new Start or the end of this object sets it
// and drops the result: `done` never sees a cancelled call. A worker still running when
// this object goes away is waited for then; the blocking calls it is meant for end soon
// once their flag is set.
class BackgroundCall : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundCall(QObject* parent = nullptr);
    ~BackgroundCall() override;

    template <typename Work, typename Done>
    void Start(Work work, Done done)
    {
        using Result = std::invoke_result_t<Work&, const std::atomic<bool>&>;
        const std::shared_ptr<Call> call = Begin();
        Launch(call, [this, call, work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<Result>(work(call->cancel));
            QMetaObject::invokeMethod(
                this,
                [this, call, result, done]() mutable {
                    if (Deliver(call))
                        done(std::move(*result));
                },
                Qt::QueuedConnection);
        });
    }

    // Sets the running call's cancel flag and drops its result.
    void Cancel();
    // A call was started and neither delivered nor cancelled yet.
    bool Running() const { return current_ != nullptr; }

private:
    struct Call
    {
        std::atomic<bool> cancel{false};
        std::atomic<bool> finished{false};
    };
    struct Worker
    {
        std::shared_ptr<Call> call;
        std::thread thread;
    };

    std::shared_ptr<Call> Begin();
    void Launch(const std::shared_ptr<Call>& call, std::function<void()> body);
    bool Deliver(const std::shared_ptr<Call>& call);

    std::shared_ptr<Call> current_;
    std::vector<Worker> workers_;
};

} // namespace quillon
