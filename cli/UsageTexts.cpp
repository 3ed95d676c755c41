#include "cli/UsageTexts.h"

#include <algorithm>

namespace quillon::cli {

namespace {

constexpr std::string_view kEncodingOptions =
    "  --layer N                MPEG audio layer, 1 to 3\n"
    "  --bitrate N              total bitrate in kbit/s\n"
    "  --mode MODE              mono, stereo, joint or dual\n"
    "  --fast | --hq            fast encoding, or high quality\n"
    "  --copyright, --original, --crc\n"
    "                           set the copyright flag, the original flag, CRC protection\n"
    "  --no-copyright, --no-original, --no-crc\n"
    "                           clear them\n"
    "  --emphasis E             de-emphasis: none, 50/15 or ccitt\n";

constexpr std::string_view kOutputAndJobs =
    "  -o DIR                   output folder (default: the stored default output folder)\n"
    "  --jobs N                 convert up to N files at once (default: the usable CPUs)\n";

constexpr std::string_view kDriveOption = "  --drive N                the CD drive, as numbered by quillon drives\n"
                                          "                           (default: the stored default CD drive)\n";

constexpr std::string_view kTracksOption = "  --tracks LIST            the tracks, by number and range: 1,3-5\n";

constexpr std::string_view kReleaseOption =
    "  --release N              the release of the look-up to take, by its number (default 1)\n";

constexpr std::string_view kOffsetOption =
    "  --offset C               the drive's read offset correction in samples (+6: the drive\n"
    "                           delivers data 6 samples early); when not given, the one\n"
    "                           stored for the drive's model, else none\n";

constexpr std::string_view kSecureOption =
    "  --secure                 read every sector at least twice, until its reads agree; a\n"
    "                           track with sectors that never agreed is kept, marked in the\n"
    "                           log, and makes the exit status 1\n";

constexpr std::string_view kExitStatus =
    "Ctrl-C cancels. Exit status: 0 when every file was converted, 1 on a failure, 2 on a\n"
    "usage error, 130 when cancelled.\n";

// One subcommand: its words after "quillon NAME" (continuation lines after "\n"), what
// it does in a line, and the rest of its usage.
struct Subcommand
{
    std::string_view name;
    std::string_view synopsis;
    std::string_view summary;
    std::string_view about;
    std::vector<std::string_view> options;
    bool exitStatus = false;
};

const std::vector<Subcommand>& Subcommands()
{
    static const std::vector<Subcommand> table = {
        {"encode",
         "[options] FILE...",
         "WAV files to MPEG audio (.mp1, .mp2, .mp3)",
         "Encodes 16-bit PCM WAV files to MPEG audio with the codec program l3.dll installed\n"
         "beside quillon, several files at once. Each output is named after its input, with\n"
         ".mp1, .mp2 or .mp3. Options that are not given come from the stored defaults.\n",
         {kOutputAndJobs, kEncodingOptions},
         true},
        {"decode",
         "[-o DIR] [--jobs N] FILE...",
         "MPEG audio files to WAV (.wav)",
         "Decodes MPEG audio files to WAV with the codec program d3.dll installed beside\n"
         "quillon, several files at once. Each output is named after its input, with .wav.\n",
         {kOutputAndJobs},
         true},
        {"defaults",
         "[--save [options] [-o DIR] [--drive N [--offset C]]]",
         "show the stored defaults, or store new ones",
         "Prints the stored defaults and the settings file they live in. With --save it stores\n"
         "the options given as the new defaults: -o DIR the default output folder, --drive N\n"
         "the default CD drive (0 to 6), and the encoding options below. --drive N --offset C\n"
         "stores the read offset correction C for the model of drive N (the default drive\n"
         "stays); grab and rip use it when no --offset is given.\n",
         {kEncodingOptions}},
        {"drives",
         "",
         "list the CD-ROM drives",
         "Lists the CD-ROM drives found: number, address, vendor, product, revision, bus, read\n"
         "command and sectors per read. The number is what --drive takes.\n",
         {}},
        {"toc",
         "[--drive N]",
         "list the tracks of the disc",
         "Lists the tracks of the disc in a drive (name, number, length, size, type), the\n"
         "disc's size, its MusicBrainz disc id and its freedb id. The names are those stored\n"
         "for the disc in cddata/.\n",
         {kDriveOption}},
        {"grab",
         "[--drive N] --tracks 1,3-5 [--offset C] [--secure] [--no-accuraterip] [-o DIR]",
         "grab tracks into WAV files",
         "Grabs audio tracks into WAV files named after the tracks' titles, then checks each\n"
         "against the AccurateRip database as rip does: a track that is not accurate gives exit\n"
         "status 1.\n",
         {kDriveOption, kTracksOption, kOffsetOption, kSecureOption,
          "  --no-accuraterip         do not look the disc up in the AccurateRip database\n"
          "  -o DIR                   output folder (default: the current folder)\n"}},
        {"lookup",
         "[--drive N] [--release N] [--save]",
         "look the disc up in MusicBrainz",
         "Looks the disc up in MusicBrainz by its disc id (and, when the id is unknown, by its\n"
         "table of contents), prints the releases found, numbered, and the tracks of the\n"
         "chosen one. With --save its titles, artists, album, year and genre and its front\n"
         "cover from the Cover Art Archive are stored in cddata/, as the grabber's O&K stores\n"
         "them. The servers are the settings MusicBrainzServer and CoverArtServer, or the\n"
         "environment's QUILLON_MUSICBRAINZ_SERVER and QUILLON_COVERART_SERVER; a request\n"
         "waits QUILLON_LOOKUP_TIMEOUT seconds at most (default 15).\n",
         {kDriveOption, kReleaseOption,
          "  --save                   store the release's texts and cover for the disc\n"}},
        {"rip",
         "[--drive N] --tracks 1,3-5 [--offset C] [--secure] [options] [--jobs N] [-o DIR]\n"
         "[--artist T] [--album T] [--year Y] [--comment T] [--genre NAME] [--cover FILE]\n"
         "[--lookup [--release N]] [--no-accuraterip]",
         "encode tracks to MPEG files with their tags",
         "Grabs audio tracks and encodes them to MPEG files named after the tracks' titles,\n"
         "each starting with an ID3v2 tag and ending with its 128-byte tag, up to --jobs N at once. The disc's texts come from\n"
         "cddata/ and from the options below, and are stored there. Each track is then checked\n"
         "against the AccurateRip database (the setting AccurateRipServer, or the environment's\n"
         "QUILLON_ACCURATERIP_SERVER): a track that is not accurate gives exit status 1.\n",
         {kDriveOption, kTracksOption, kOffsetOption, kSecureOption, kOutputAndJobs, kEncodingOptions,
          "  --artist T, --album T    the disc's artist and album (up to 255 characters)\n"
          "  --year Y, --comment T    its year (4) and comment (255)\n"
          "  --genre NAME             a genre of the genre list (default: Other)\n"
          "  --cover FILE             a JPEG or PNG picture (up to 16 MiB), every file's front cover\n"
          "  --lookup                 name and tag the files from MusicBrainz (as quillon lookup),\n"
          "                           over the stored text; the options above still win\n",
          kReleaseOption, "  --no-accuraterip         do not look the disc up in the AccurateRip database\n"},
         true},
        {"help",
         "[SUBCOMMAND]",
         "this text, or a subcommand's usage",
         "Prints the usage of quillon, or of one subcommand (as quillon SUBCOMMAND --help).\n",
         {}},
    };
    return table;
}

// "NAME SYNOPSIS" with its continuation lines indented under the synopsis's start.
std::string Synopsis(const Subcommand& command, size_t indent)
{
    std::string text(command.name);
    size_t start = 0;
    while (start <= command.synopsis.size()) {
        const size_t end = std::min(command.synopsis.find('\n', start), command.synopsis.size());
        const std::string_view line = command.synopsis.substr(start, end - start);
        if (start > 0)
            text += "\n" + std::string(indent + command.name.size(), ' ');
        if (!line.empty())
            text += " " + std::string(line);
        start = end + 1;
    }
    return text;
}

} // namespace

std::string UsageText()
{
    std::string text = "Usage: quillon SUBCOMMAND [options] ...\n"
                       "       quillon help [SUBCOMMAND] | --help (-h) | --version\n"
                       "       quillon [FILE...]\n"
                       "\n"
                       "Subcommands (quillon SUBCOMMAND --help shows one in full):\n";
    constexpr size_t kSummaryColumn = 43;
    for (const Subcommand& command : Subcommands()) {
        const std::string synopsis = "  quillon " + Synopsis(command, 10);
        const bool oneShortLine = synopsis.find('\n') == std::string::npos && synopsis.size() < kSummaryColumn;
        text += synopsis;
        text +=
            oneShortLine ? std::string(kSummaryColumn - synopsis.size(), ' ') : "\n" + std::string(kSummaryColumn, ' ');
        text += std::string(command.summary) + "\n";
    }
    text += "\n"
            "Encoding and decoding use the codec programs l3.dll and d3.dll installed beside\n"
            "quillon. Options that are not given come from the stored defaults (quillon defaults).\n"
            "\n"
            "Options of encode, decode and rip:\n";
    text += std::string(kOutputAndJobs) + std::string(kEncodingOptions);
    text += "\n"
            "Without a subcommand quillon opens its window; quillon FILE... opens it with the\n"
            "WAV and MPEG audio files on the batch.\n";
    return text + std::string(kExitStatus);
}

std::optional<std::string> SubcommandUsage(std::string_view name)
{
    const auto& table = Subcommands();
    const auto found = std::find_if(table.begin(), table.end(), [&](const Subcommand& c) { return c.name == name; });
    if (found == table.end())
        return std::nullopt;
    std::string text = "Usage: quillon " + Synopsis(*found, 14) + "\n\n" + std::string(found->about);
    if (!found->options.empty()) {
        text += "\nOptions:\n";
        for (const std::string_view options : found->options)
            text += options;
    }
    if (found->exitStatus)
        text += "\n" + std::string(kExitStatus);
    return text;
}

std::vector<std::string> SubcommandNames()
{
    std::vector<std::string> names;
    for (const Subcommand& command : Subcommands())
        names.emplace_back(command.name);
    return names;
}

bool AsksForHelp(const std::vector<std::string>& words)
{
    for (const std::string& word : words) {
        if (word == "--")
            return false;
        if (word == "--help" || word == "-h")
            return true;
    }
    return false;
}

} // namespace quillon::cli
