#include "cd/RipLog.h"

#include "cd/Digests.h"
#include "cd/DiscIds.h"
#include "cd/DiscSubChannel.h"
#include "cd/RipChecksums.h"
#include "cd/RipCueSheet.h"
#include "cd/TrackFileName.h"
#include "platform/PartFile.h"

#include <cstdio>

namespace quillon {

const char* const kBurstReadMode = "Burst (each sector read once, a failed read tried up to 6 times)";
const char* const kSecureReadMode = "Secure (each sector read at least twice with the drive's cache emptied between, "
                                    "re-read 4 times a batch for up to 8 batches until a majority agrees)";

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// "m:ss.ff" of a number of sectors, as the TOC table gives times.
std::string TableTime(uint32_t sectors)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u.%02u", sectors / 4500, sectors / 75 % 60, sectors % 75);
    return text;
}

std::string Hex8(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

std::string Line(const char* format, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return std::string(text) + "\n";
}

std::string CorrectionText(const RipReport& report)
{
    if (!report.offsetCorrection)
        return "offset not set";
    char text[48];
    std::snprintf(text, sizeof text, "%+d samples", *report.offsetCorrection);
    return text;
}

std::string TocTable(const RipReport& report)
{
    std::string text = "TOC of the disc\n\n";
    text += "     Track |   Start  |  Length  | Start sector | End sector\n";
    text += "    ---------------------------------------------------------\n";
    for (const RipTocRow& row : report.toc) {
        const uint32_t last = row.sectors > 0 ? row.start + row.sectors - 1 : row.start;
        text += Line("      %3d  | %8s | %8s | %9u    | %9u", row.number, TableTime(row.start).c_str(),
                     TableTime(row.sectors).c_str(), row.start, last);
    }
    text += "\n";
    for (const RipTocRow& row : report.toc)
        if (!row.audio)
            text += Line("Track %d holds data", row.number);
    return text;
}

const RipTocRow* FindRow(const RipReport& report, int number)
{
    for (const RipTocRow& row : report.toc)
        if (row.number == number)
            return &row;
    return nullptr;
}

std::string SuspiciousText(const RipTrackReport& track, const RipTocRow* row)
{
    if (track.suspicious.empty())
        return "    Suspicious positions: none\n";
    std::string text = "    Suspicious positions:\n";
    const uint32_t start = row ? row->start : 0;
    for (const RipSectorRange& range : track.suspicious) {
        const uint32_t from = range.first >= start ? range.first - start : 0;
        const uint32_t to = range.last >= start ? range.last - start : 0;
        text += Line("        %s to %s (sectors %u to %u)", TableTime(from).c_str(), TableTime(to).c_str(), range.first,
                     range.last);
    }
    return text;
}

std::string TrackText(const RipReport& report, const RipTrackReport& track)
{
    std::string text = Line("Track %2d", track.number);
    text += "    File: " + track.fileName + "\n";
    if (track.pregapSectors)
        text += "    Pre-gap: " + TableTime(*track.pregapSectors) + "\n";
    if (!track.isrc.empty())
        text += "    ISRC: " + track.isrc + "\n";
    if (track.testCrc)
        text += "    Test CRC " + Hex8(*track.testCrc) + "\n";
    text += "    Copy CRC " + Hex8(track.copyCrc) + "\n";
    if (track.testCrc && *track.testCrc != track.copyCrc)
        text += "    Test and copy differ\n";
    text += "    AccurateRip v1 " + Hex8(track.accurateRipV1) + "\n";
    text += "    AccurateRip v2 " + Hex8(track.accurateRipV2) + "\n";
    if (!track.verdict.empty())
        text += "    " + track.verdict + "\n";
    text += SuspiciousText(track, FindRow(report, track.number));
    if (!track.complete)
        text += "    The read stopped before the end of the track: the checksums cover what was read\n";
    return text + "\n";
}

std::string SummaryText(const RipReport& report)
{
    int whole = 0;
    int suspicious = 0;
    int verdicts = 0;
    int accurate = 0;
    int notAccurate = 0;
    int unknown = 0;
    for (const RipTrackReport& track : report.tracks) {
        whole += track.complete ? 1 : 0;
        suspicious += track.suspicious.empty() ? 0 : 1;
        verdicts += track.verdict.empty() ? 0 : 1;
        accurate += track.verdict.rfind("Accurately ripped", 0) == 0 ? 1 : 0;
        notAccurate += track.verdict == kNotAccurateVerdict ? 1 : 0;
        unknown += track.verdict == "Not in AccurateRip" ? 1 : 0;
    }
    const int count = static_cast<int>(report.tracks.size());
    std::string text = "Summary\n";
    text += Line("    Tracks read whole: %d of %d", whole, count);
    text += Line("    Tracks with suspicious positions: %d", suspicious);
    if (verdicts > 0) {
        text += Line("    Accurately ripped: %d of %d", accurate, count);
        if (notAccurate > 0)
            text += Line("    Not accurate: %d of %d", notAccurate, count);
        if (unknown > 0)
            text += Line("    Not in AccurateRip: %d of %d", unknown, count);
    }
    if (report.ctdbCrc)
        text += "    CTDB CRC " + Hex8(*report.ctdbCrc) + "\n";
    else
        text += "    CTDB CRC: none (not every audio track was read whole)\n";
    if (report.offsetCorrection && report.silentSamples > 0)
        text += Line("    Samples beyond the disc given as silence: %u", report.silentSamples);
    for (const RipTocRow& row : report.toc) {
        // The first audio track starting above LBA 0 leaves audio before it that no file holds.
        if (row.audio && row.start > 0) {
            text += "    Hidden audio before track " + std::to_string(row.number) + ": " + TableTime(row.start) + " (" +
                    std::to_string(row.start) + " sectors), not ripped\n";
        }
        if (row.audio)
            break;
    }
    for (const std::string& line : report.summary)
        text += "    " + line + "\n";
    return text;
}

} // namespace

RipReport StartRipReport(const CdDrive& drive)
{
    RipReport report;
    report.version = QUILLON_VERSION;
    report.driveVendor = Trimmed(drive.vendor);
    report.driveProduct = Trimmed(drive.product);
    report.driveRevision = Trimmed(drive.revision);
    report.readMode = kBurstReadMode;
    if (drive.readCorrection != 0)
        report.offsetCorrection = drive.readCorrection;
    report.toc = RipTocRows(drive);
    if (!report.toc.empty()) {
        const TrackRecord& last = drive.tracks[report.toc.size() - 1];
        report.leadOut = last.entry.start + last.sectors;
    }
    report.musicBrainzId = ComputeDiscIds(drive).musicBrainz;
    ReadDiscSubChannel(drive, report);
    return report;
}

std::string RipFileStem(const RipReport& report)
{
    if (!report.album.empty() && report.album != "Unknown")
        if (std::string name = TrackFileName(report.album); !name.empty())
            return name;
    char stem[32];
    std::snprintf(stem, sizeof stem, "disc-%08x", RipAccurateRipIds(report).freedbId);
    return stem;
}

std::string RipLogText(const RipReport& report)
{
    std::string text = report.program + " " + report.version + " rip log\n\n";
    text += "Drive: " + report.driveVendor + " " + report.driveProduct + " " + report.driveRevision + "\n";
    text += "Read mode: " + report.readMode + "\n";
    text += "Read offset correction: " + CorrectionText(report) + "\n\n";
    // The table comes before any text of the user's, which a log reader could take for
    // its header.
    text += TocTable(report);
    const AccurateRipIds ids = RipAccurateRipIds(report);
    if (!report.musicBrainzId.empty())
        text += "MusicBrainz disc id: " + report.musicBrainzId + "\n";
    text += Line("freedb disc id: %08x", ids.freedbId);
    text += "AccurateRip ids: " + RipAccurateRipIdText(ids) + "\n";
    text += "CTDB TOC id: " + CtdbTocId(report.toc) + "\n\n";
    if (!report.performer.empty())
        text += "Performer: " + report.performer + "\n";
    if (!report.album.empty())
        text += "Album: " + report.album + "\n";
    if (!report.catalog.empty())
        text += "Catalog: " + report.catalog + "\n";
    if (!report.performer.empty() || !report.album.empty() || !report.catalog.empty())
        text += "\n";
    for (const RipTrackReport& track : report.tracks)
        text += TrackText(report, track);
    text += SummaryText(report) + "\n";
    const auto digest = Sha256Digest(text);
    return text + "SHA-256 " + HexText(digest) + "\n";
}

std::string WriteRipFiles(const std::string& folder, const RipReport& report)
{
    const std::string stem = folder + RipFileStem(report);
    for (const auto& [path, text] :
         {std::pair{stem + ".log", RipLogText(report)}, std::pair{stem + ".cue", RipCueSheetText(report)}})
        if (const std::string problem = WriteFileInPlace(path, text, 0644); !problem.empty())
            return "Cannot write " + path + ": " + problem;
    return {};
}

} // namespace quillon
