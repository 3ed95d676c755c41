#include "platform/HttpClient.h"

#include <curl/curl.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kCancelCheck = std::chrono::milliseconds(100);
constexpr auto kRequestSpacing = std::chrono::seconds(1);

bool Cancelled(const std::atomic<bool>* cancel)
{
    return cancel != nullptr && cancel->load();
}

void GlobalInitOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Receiver
{
    std::string* body = nullptr;
    size_t limit = 0;
    bool tooLarge = false;
};

size_t Receive(char* data, size_t size, size_t count, void* user)
{
    auto* receiver = static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    if (receiver->body->size() + bytes > receiver->limit) {
        receiver->tooLarge = true;
        return 0;
    }
    receiver->body->append(data, bytes);
    return bytes;
}

using Easy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using Multi = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;

void SetOptions(CURL* easy, const std::string& url, const HttpOptions& options, Receiver& receiver, char* errors)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, options.timeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errors);
}

// Runs the transfer, looking at `cancel` between waits; the transfer's result.
CURLcode Perform(CURLM* multi, CURL* easy, const std::atomic<bool>* cancel, bool& cancelled)
{
    curl_multi_add_handle(multi, easy);
    int running = 1;
    CURLcode result = CURLE_OK;
    while (running > 0) {
        if (Cancelled(cancel)) {
            cancelled = true;
            break;
        }
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(multi, nullptr, 0, static_cast<int>(kCancelCheck.count()), nullptr);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

// "scheme://host:port" of a URL, the unit the request spacing counts by.
std::string ServerOf(const std::string& url)
{
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return url;
    std::string server;
    for (const CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
        char* text = nullptr;
        if (curl_url_get(parsed.get(), part, &text, CURLU_DEFAULT_PORT) == CURLUE_OK && text != nullptr)
            server += std::string(text) + "|";
        curl_free(text);
    }
    return server;
}

} // namespace

HttpResponse HttpGet(const std::string& url, const HttpOptions& options, const std::atomic<bool>* cancel)
{
    GlobalInitOnce();
    HttpResponse response;
    Easy easy(curl_easy_init(), &curl_easy_cleanup);
    Multi multi(curl_multi_init(), &curl_multi_cleanup);
    if (!easy || !multi) {
        response.error = "the HTTP library could not start";
        return response;
    }
    Receiver receiver{&response.body, options.bodyLimit, false};
    char errors[CURL_ERROR_SIZE] = {};
    SetOptions(easy.get(), url, options, receiver, errors);
    const CURLcode result = Perform(multi.get(), easy.get(), cancel, response.cancelled);
    if (response.cancelled) {
        response.error = "cancelled";
        return response;
    }
    if (result != CURLE_OK) {
        response.body.clear();
        response.error = receiver.tooLarge ? "the answer is larger than " + std::to_string(options.bodyLimit) + " bytes"
                         : errors[0] != '\0' ? errors
                                             : curl_easy_strerror(result);
        return response;
    }
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &response.status);
    if (response.status == 0)
        response.error = "no HTTP answer";
    return response;
}

bool WaitForTurn(const std::string& url, const std::atomic<bool>* cancel)
{
    static std::mutex mutex;
    static std::map<std::string, Clock::time_point> lastRequest;
    const std::string server = ServerOf(url);
    for (;;) {
        Clock::duration wait{};
        {
            std::lock_guard<std::mutex> lock(mutex);
            const auto found = lastRequest.find(server);
            const Clock::time_point now = Clock::now();
            if (found == lastRequest.end() || now - found->second >= kRequestSpacing) {
                lastRequest[server] = now;
                return true;
            }
            wait = kRequestSpacing - (now - found->second);
        }
        if (Cancelled(cancel))
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(wait, kCancelCheck));
    }
}

HttpResponse HttpGetPolitely(const std::string& url, const HttpOptions& options, const std::atomic<bool>* cancel)
{
    HttpResponse response;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!WaitForTurn(url, cancel)) {
            response = HttpResponse{};
            response.cancelled = true;
            response.error = "cancelled";
            return response;
        }
        response = HttpGet(url, options, cancel);
        if (response.status != 503)
            break;
    }
    return response;
}

} // namespace quillon
