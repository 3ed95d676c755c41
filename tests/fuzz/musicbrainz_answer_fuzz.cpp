// An answer of the MusicBrainz web service, whatever it holds: it is read or refused, never
// crashes, and what is read keeps to the answer's bounds.
#include "cd/DiscLookup.h"
#include "cd/MusicBrainzAnswer.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<ReleaseChoice> releases;
    std::string problem;
    const bool read =
        ParseDiscAnswer(text, "6NksHllhjO74WpVDabBDhj3P0qk-", static_cast<int>(size % 20), releases, problem);
    if (!read && problem.empty())
        std::abort();
    if (releases.size() > 100)
        std::abort();
    for (const ReleaseChoice& release : releases) {
        const std::string year = release.Year();
        if (release.tracks.size() > 99 || !(year.empty() || year.size() == 4))
            std::abort();
        if (ReleaseLine(release).size() > size + 200)
            std::abort();
        (void)ReleaseGenre(release);
    }
    return 0;
}
