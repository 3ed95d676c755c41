#pragma once

// Looking a rip up in the AccurateRip database and judging its tracks by the answer.
//
// The look-up is blocking (network); a failure to reach the database or to read its
// answer is told and never stops a rip.
//
//     const AccurateRipIds ids = RipAccurateRipIds(report);
//     AccurateRipAnswer answer = LookUpAccurateRip(ChooseAccurateRipServer(setting, getenv), ids, 15, cancel);
//     JudgeRipTracks(answer, report);   // each whole track's verdict line

#include "cd/AccurateRip.h"
#include "cd/RipReport.h"
#include "platform/TemporaryFolder.h"

#include <atomic>
#include <string>
#include <vector>

namespace quillon {

extern const char* const kDefaultAccurateRipServer; // "http://www.accuraterip.com"

// The server of the setting "AccurateRipServer", replaced by QUILLON_ACCURATERIP_SERVER
// when set and not empty, an empty setting by the default; a trailing "/" is dropped.
std::string ChooseAccurateRipServer(const std::string& setting, const EnvironmentLookup& getEnv);

// "{server}/accuraterip/a/b/c/dBAR-nnn-id1-id2-cddb.bin".
std::string AccurateRipUrl(const std::string& server, const AccurateRipIds& ids);

enum class AccurateRipOutcome { Found, NotFound, Unreachable, Unreadable, Cancelled };

struct AccurateRipAnswer
{
    AccurateRipOutcome outcome = AccurateRipOutcome::NotFound;
    std::vector<AccurateRipRecord> records; // the database's records of the disc when Found
    // When neither Found nor NotFound: "Could not reach AccurateRip: <reason>", "The answer
    // of AccurateRip cannot be read: <reason>" or "The AccurateRip look-up was cancelled."
    std::string message;
};

// The database file of the disc: a 404, or an HTML page in its place, is NotFound.
AccurateRipAnswer LookUpAccurateRip(const std::string& server, const AccurateRipIds& ids, long timeoutSeconds,
                                    const std::atomic<bool>& cancel);

// How the tracks of a rip fared against the database.
struct RipVerdicts
{
    int accurate = 0;
    int notAccurate = 0;
    int unknown = 0; // "Not in AccurateRip"
};

// Gives every track of the report read whole its verdict line ("Accurately ripped
// (confidence N) [v2]", "Not accurate", "Not in AccurateRip") when the database answered;
// the report's summary tells a look-up that failed. Counts the verdicts given.
RipVerdicts JudgeRipTracks(const AccurateRipAnswer& answer, RipReport& report);

} // namespace quillon
