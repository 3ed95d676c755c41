#include "platform/SharedFd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillon {
namespace {

bool DescriptorOpen(int fd)
{
    return fcntl(fd, F_GETFD) != -1;
}

int NewDescriptor()
{
    return open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(SharedFd, CloseWaitsForTheLastLeaseBeforeReleasing)
{
    const int fd = NewDescriptor();
    SharedFd shared(fd);
    {
        SharedFd::Lease lease(shared);
        ASSERT_EQ(lease.fd(), fd);
        shared.Close();
        EXPECT_FALSE(shared.IsOpen());
        EXPECT_TRUE(DescriptorOpen(fd)) << "released while a user still held it";
        SharedFd::Lease late(shared);
        EXPECT_EQ(late.fd(), -1) << "a closed end was handed out again";
    }
    EXPECT_FALSE(DescriptorOpen(fd));
}

TEST(SharedFd, AdoptTakesOneDescriptorInALife)
{
    const struct
    {
        const char* name;
        bool holdsOne;
        bool closedFirst;
        bool adopted;
    } rows[] = {
        {"empty", false, false, true},
        {"already holding one", true, false, false},
        {"closed", false, true, false},
    };
    for (const auto& row : rows) {
        SharedFd shared;
        if (row.holdsOne)
            shared.Adopt(NewDescriptor());
        if (row.closedFirst)
            shared.Close();
        const int fd = NewDescriptor();
        EXPECT_EQ(shared.Adopt(fd), row.adopted) << row.name;
        EXPECT_EQ(DescriptorOpen(fd), row.adopted) << row.name << ": a refused descriptor must be closed";
    }
}

// Many users and one closer at once: every lease sees the descriptor open or -1, never a
// released number.
TEST(SharedFd, ConcurrentLeasesAndClose)
{
    for (int round = 0; round < 50; ++round) {
        const int fd = NewDescriptor();
        SharedFd shared(fd);
        std::atomic<bool> go{false};
        std::atomic<int> bad{0};
        std::vector<std::thread> users;
        for (int t = 0; t < 4; ++t) {
            users.emplace_back([&] {
                while (!go) {}
                for (int i = 0; i < 200; ++i) {
                    SharedFd::Lease lease(shared);
                    if (lease.fd() >= 0 && !DescriptorOpen(lease.fd()))
                        ++bad;
                }
            });
        }
        go = true;
        shared.Close();
        for (auto& u : users)
            u.join();
        EXPECT_EQ(bad.load(), 0);
        EXPECT_FALSE(DescriptorOpen(fd));
    }
}

} // namespace
} // namespace quillon
