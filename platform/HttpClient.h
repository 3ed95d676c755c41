#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace quillon {

// What a GET brought back. `status` is the HTTP status of the last answer (after
// redirects); 0 when no answer came, with `error` saying why (libcurl's words).
struct HttpResponse
{
    long status = 0;
    std::string body;
    std::string error;
    bool cancelled = false;

    bool Answered() const { return status != 0; }
};

struct HttpOptions
{
    std::string userAgent;
    long timeoutSeconds = 15;            // the whole request, connection included
    size_t bodyLimit = 32 * 1024 * 1024; // a larger answer is refused
};

// One GET through libcurl, following redirects (HTTP and HTTPS only). Blocking: call it
// off the user-interface thread. Setting `cancel` from any thread ends it within about a
// tenth of a second with `cancelled` set. Safe to call from several threads at once.
HttpResponse HttpGet(const std::string& url, const HttpOptions& options, const std::atomic<bool>* cancel = nullptr);

// Waits until a second has passed since the last request to the server of `url` (scheme,
// host and port) in this process, then counts this one; web services ask for at most one
// request a second. False when `cancel` was set while waiting.
bool WaitForTurn(const std::string& url, const std::atomic<bool>* cancel = nullptr);

// HttpGet after WaitForTurn, asked once more after a 503 (the service is busy or asks to
// slow down).
HttpResponse HttpGetPolitely(const std::string& url, const HttpOptions& options,
                             const std::atomic<bool>* cancel = nullptr);

} // namespace quillon
