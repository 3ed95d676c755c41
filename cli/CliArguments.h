#pragma once

#include "batch/EncodingOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

enum class Command { Usage, Help, Version, Encode, Decode, ShowDefaults, SaveDefaults, Rip };

// Encoding options named on the command line; the rest come from the stored defaults.
struct OptionOverrides
{
    std::optional<int> layer;
    std::optional<int> bitrate;
    std::optional<int> mode;
    std::optional<int> quality;
    std::optional<int> copyright;
    std::optional<int> original;
    std::optional<int> errorProtection;
    std::optional<int> deEmphasis;

    void ApplyTo(DefaultEncodingOptions& options) const;
};

// What `rip` is told beside the encoding options: the tracks and the disc's texts. A new
// rip option is a member here and a row in RipOptionRows (CliArguments.cpp).
struct RipOptions
{
    std::string tracks; // "1,3-5"
    std::optional<std::string> artist;
    std::optional<std::string> album;
    std::optional<std::string> year;
    std::optional<std::string> comment;
    std::optional<std::string> genre; // a name of the genre list
    std::optional<std::string> cover; // a JPEG or PNG file, the front cover of every file
    bool lookup = false;              // name and tag the files from MusicBrainz
    bool accurateRip = true;          // check the tracks against the AccurateRip database
    std::optional<int> release;       // the release of the look-up to take, from 1
    bool secure = false;              // read every sector until its reads agree
};

struct CliArguments
{
    Command command = Command::Usage;
    OptionOverrides options;
    std::optional<std::string> outputDir;
    std::optional<int> drive; // the CD drive of `rip`, or the default one `defaults --save` stores
    std::optional<int> jobs;  // codec programs at once (encode, decode, rip)
    // The drive's read offset correction in samples: for this `rip`, or the one `defaults
    // --save --drive N` stores for the model of drive N.
    std::optional<int> offset;
    RipOptions rip;
    std::vector<std::string> files;
    std::string error; // set when the words cannot be understood
};

CliArguments ParseArguments(const std::vector<std::string>& words);

// An option word split as every subcommand reads it: "--name=value" and "-oDIR" carry
// their value, "--name" alone none (it comes from the next word).
struct OptionWord
{
    std::string name;
    std::optional<std::string> value;
};
OptionWord SplitOptionWord(const std::string& word);

// Every option word ParseArguments understands after a subcommand or as the first word
// ("--help", "--version"), taken from its own tables: the manual page and the shell
// completion are checked against it.
std::vector<std::string> KnownOptionWords();

// Why these options cannot be used for encoding, or empty when they can.
std::string CheckEncodingOptions(const DefaultEncodingOptions& options);

} // namespace quillon::cli
