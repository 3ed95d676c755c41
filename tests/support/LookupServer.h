#pragma once

// tests/cli/lookup_server.py on 127.0.0.1 with the recorded answers of
// tests/cli/lookup-answers/, and sparse disc images of real discs' TOCs to look up.

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillon::testing_support {

class LookupServer
{
public:
    // Copies the recorded answers into `folder`/answers and starts the server there with an
    // empty plan; QUILLON_MUSICBRAINZ_SERVER, QUILLON_COVERART_SERVER and
    // QUILLON_ACCURATERIP_SERVER name it until it ends, and then a closed port.
    explicit LookupServer(const std::string& folder);
    ~LookupServer();
    LookupServer(const LookupServer&) = delete;
    LookupServer& operator=(const LookupServer&) = delete;

    bool Started() const { return !url_.empty(); }
    const std::string& Url() const { return url_; }
    // The folder the answers are served from (a test adds its cover pictures there).
    std::string AnswerFolder() const { return folder_ + "/answers"; }
    // The plan's lines, as lookup_server.py reads them.
    void Plan(const std::string& lines) const;
    // The requests seen since the last call, one "PATH?QUERY<TAB>USER-AGENT" line each.
    std::string Requests() const;

private:
    std::string folder_;
    std::string url_;
    pid_t pid_ = -1;
};

// A disc image of a real disc's TOC: "<name>.cue" with an audio track at each of `frames`
// (sectors + 150, as libdiscid counts), and a sparse "<name>.bin" up to `leadOutFrame`.
void WriteTocImage(const std::string& folder, const std::string& name, const std::vector<uint32_t>& frames,
                   uint32_t leadOutFrame);

} // namespace quillon::testing_support
