#include "cd/AccurateRipLookup.h"

#include "cd/DiscLookup.h"
#include "cd/RipChecksums.h"
#include "platform/HttpClient.h"

#include <algorithm>

namespace quillon {

const char* const kDefaultAccurateRipServer = "http://www.accuraterip.com";

namespace {

// A database file holds a few records of at most 99 tracks each; anything far larger is
// not one.
constexpr size_t kAnswerLimit = 1024 * 1024;

AccurateRipAnswer Failure(AccurateRipOutcome outcome, std::string message)
{
    AccurateRipAnswer answer;
    answer.outcome = outcome;
    answer.message = std::move(message);
    return answer;
}

bool LooksLikeHtml(const std::string& body)
{
    const size_t first = body.find_first_not_of(" \t\r\n");
    return first != std::string::npos && body[first] == '<';
}

// The place of TOC row `number` among the disc's audio tracks, from 0; -1 when it is none.
int AudioOrdinal(const RipReport& report, int number)
{
    int ordinal = 0;
    for (const RipTocRow& row : report.toc) {
        if (row.number == number)
            return row.audio ? ordinal : -1;
        ordinal += row.audio ? 1 : 0;
    }
    return -1;
}

} // namespace

std::string ChooseAccurateRipServer(const std::string& setting, const EnvironmentLookup& getEnv)
{
    return ChooseServer(setting, "QUILLON_ACCURATERIP_SERVER", kDefaultAccurateRipServer, getEnv);
}

std::string AccurateRipUrl(const std::string& server, const AccurateRipIds& ids)
{
    return server + "/accuraterip/" + AccurateRipPath(ids);
}

AccurateRipAnswer LookUpAccurateRip(const std::string& server, const AccurateRipIds& ids, long timeoutSeconds,
                                    const std::atomic<bool>& cancel)
{
    if (ids.audioTracks == 0)
        return Failure(AccurateRipOutcome::NotFound, {});
    HttpOptions options;
    options.userAgent = kLookupUserAgent;
    options.timeoutSeconds = timeoutSeconds;
    options.bodyLimit = kAnswerLimit;
    const HttpResponse response = HttpGetPolitely(AccurateRipUrl(server, ids), options, &cancel);
    if (response.cancelled)
        return Failure(AccurateRipOutcome::Cancelled, "The AccurateRip look-up was cancelled.");
    if (!response.Answered())
        return Failure(AccurateRipOutcome::Unreachable, "Could not reach AccurateRip: " + response.error);
    if (response.status == 404)
        return Failure(AccurateRipOutcome::NotFound, {});
    if (response.status != 200)
        return Failure(AccurateRipOutcome::Unreachable,
                       "Could not reach AccurateRip: the server answered with status " +
                           std::to_string(response.status));
    const auto* bytes = reinterpret_cast<const uint8_t*>(response.body.data());
    auto records = ParseAccurateRipAnswer(std::span(bytes, response.body.size()));
    if (!records) {
        // Some servers answer a missing disc with a page of their own.
        if (LooksLikeHtml(response.body))
            return Failure(AccurateRipOutcome::NotFound, {});
        return Failure(AccurateRipOutcome::Unreadable,
                       "The answer of AccurateRip cannot be read: it is not a whole number of database records (" +
                           std::to_string(response.body.size()) + " bytes)");
    }
    AccurateRipAnswer answer;
    answer.outcome = AccurateRipOutcome::Found;
    answer.records = std::move(*records);
    return answer;
}

RipVerdicts JudgeRipTracks(const AccurateRipAnswer& answer, RipReport& report)
{
    RipVerdicts verdicts;
    if (answer.outcome != AccurateRipOutcome::Found && answer.outcome != AccurateRipOutcome::NotFound) {
        report.summary.push_back("AccurateRip: " + answer.message);
        return verdicts;
    }
    const AccurateRipIds ids = RipAccurateRipIds(report);
    for (RipTrackReport& track : report.tracks) {
        const int ordinal = AudioOrdinal(report, track.number);
        if (!track.complete || ordinal < 0)
            continue;
        track.verdict = AccurateRipVerdict(answer.records, ids, ordinal, track.accurateRipV1, track.accurateRipV2);
        if (track.verdict.rfind("Accurately ripped", 0) == 0)
            ++verdicts.accurate;
        else if (track.verdict == kNotAccurateVerdict)
            ++verdicts.notAccurate;
        else
            ++verdicts.unknown;
    }
    return verdicts;
}

} // namespace quillon
