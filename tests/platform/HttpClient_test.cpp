// The HTTP client's promises to a window that runs it on a worker: Cancel ends a request
// that gets no answer at once, and the one-request-a-second wait gives way to Cancel too.
// The "server" is a socket on 127.0.0.1 that takes connections and never answers.

#include "platform/HttpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

using Clock = std::chrono::steady_clock;

// A listening socket no one accepts from: a connection succeeds, no answer ever comes.
struct SilentServer
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string url;

    SilentServer()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 8) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/ws/2/discid/x";
    }
    ~SilentServer() { ::close(fd); }
};

TEST(HttpClient, CancelEndsARequestAndTheWaitForItsTurn)
{
    SilentServer server;
    ASSERT_FALSE(server.url.empty());
    const HttpOptions options{"Quillon-test", 30, 1024};
    const struct
    {
        const char* what;
        bool politely; // after WaitForTurn: the second request to the server waits its second
    } rows[] = {{"a request without an answer", false}, {"a request waiting for its turn", true}};
    for (const auto& row : rows) {
        std::atomic<bool> cancel{false};
        if (row.politely) {
            ASSERT_TRUE(WaitForTurn(server.url));
        }
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = true;
        });
        const auto started = Clock::now();
        const HttpResponse response =
            row.politely ? HttpGetPolitely(server.url, options, &cancel) : HttpGet(server.url, options, &cancel);
        const auto took = Clock::now() - started;
        canceller.join();
        EXPECT_TRUE(response.cancelled) << row.what;
        EXPECT_FALSE(response.Answered()) << row.what;
        EXPECT_LT(took, std::chrono::milliseconds(700))
            << row.what << ": Cancel must end it within a tenth of a second";
    }
    // The spacing itself: a second turn at the same server comes a second after the first.
    ASSERT_TRUE(WaitForTurn(server.url + "?again=1"));
    const auto started = Clock::now();
    ASSERT_TRUE(WaitForTurn(server.url + "?more=1"));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(900));
}

} // namespace
} // namespace quillon
