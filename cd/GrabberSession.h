#pragma once

#include "batch/JobList.h"
#include "cd/AudioGrab.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/DiscLookup.h"
#include "cd/GenreList.h"
#include "cd/TrackList.h"

#include <memory>
#include <string>
#include <vector>

namespace quillon {

// Texts of the grabber dialog that its rules decide.
extern const char* const kGrabberTitle;
extern const char* const kNoDrivesMessage;
extern const char* const kNoDiscMessage;
extern const char* const kNoRawAudioQuestion; // string 127
extern const char* const kSelectAllLabel;
extern const char* const kDeselectAllLabel;
extern const char* const kUnknownText;
extern const char* const kLookupLabel;       // "&Lookup"
extern const char* const kCancelLookupLabel; // "Cancel &look-up", while a look-up runs
extern const char* const kLookingUpText;     // "Looking the disc up in MusicBrainz..."
extern const char* const kNoReleaseChosenText;

// A title of more than kMaxTrackTextLength characters is refused; the record keeps what fits.

// One row of the grabber's track list with what the dialog keeps beside its texts.
struct GrabberRow
{
    TrackRow texts;
    bool ticked = false;
    bool dataTrack = false;  // grabbing a data track would give noise: it cannot be ticked
    int genre = kGenreOther; // the table index attached to the row by the last assignment
};

// What a disc load found, for the dialog to tell the user.
struct DiscLoad
{
    bool discPresent = false; // false: "No CD-Audio Disc Present in Drive!"
    bool storedTextRead = false;
    bool rawAudio = true; // false: ask string 127
};

enum class AcceptOutcome { Accepted, NothingSelected, Refused };

// The rules of the CD-Audio grabber dialog, without the dialog: the drives, the loaded
// disc's rows and totals, the info fields, the per-disc texts and the jobs O&K adds.
// The dialog shows this state and passes the user's actions in.
class GrabberSession
{
public:
    GrabberSession(DriveTable& drives, int& driveCount);

    // Clears the texts of all discs and detects the drives; false when none was found.
    bool DetectDrives();
    int DriveCount() const { return driveCount_; }
    // "vendor product" of every detected drive.
    std::vector<std::string> DriveEntries() const;
    // The drive the first load uses: the stored default, or the first drive when the
    // default names a drive that was not detected.
    int InitialDrive(int defaultCd) const;

    // Loads the disc of drive `index`; the fields start with `currentYear` when no
    // stored text is read.
    DiscLoad LoadDisc(int index, int currentYear);

    // Gives every row the fields and the chosen genre; nothing when no genre is chosen.
    void AssignInfoToAll();
    // Stores the fields in the record of the current track and shows the record of the
    // row `mark` (the list's selection mark) in the fields; `selectedRow` is the first
    // selected row or -1.
    void CommitTrackInfo(int mark, int selectedRow);

    // Ticks or unticks a row (data rows stay unticked); false when refused.
    bool SetTicked(int row, bool ticked);
    // Ticks all rows or unticks them; the label the button shows afterwards.
    const char* ToggleSelectAll();
    // The row's new name; false (name kept) when it has more than kMaxTrackTextLength
    // characters.
    bool RenameTrack(int row, const std::string& name);

    // The look-up of the loaded disc with these servers (ChooseLookupServers); without ids
    // when no disc is loaded.
    LookupRequest DiscLookupRequest(const std::string& musicBrainzServer, const std::string& coverArtServer,
                                    const EnvironmentLookup& getEnv) const;
    // Whether the disc just loaded is looked up without being asked: a disc with no stored
    // text, when the "AutoLookup" setting is 1.
    static bool LooksUpByItself(const DiscLoad& load, int32_t autoLookup);
    // Puts the chosen release into the records (FillFromRelease), then shows them: each
    // row's name, artist and genre, and the fields the current track's. The names typed in
    // the list count first, so a track the release does not list keeps its own. Nothing
    // is written to disk.
    void TakeRelease(const ReleaseChoice& release);
    // "Filled in from MusicBrainz: " and the release's line.
    static std::string FilledText(const ReleaseChoice& release);

    // The ticked rows as the grab takes them.
    std::vector<GrabChoice> GrabChoices() const;
    // O&K: appends one CD job per ticked row and stores the disc's texts. On Refused,
    // `message` says why.
    AcceptOutcome AcceptTracks(JobList& jobs, const DefaultEncodingOptions& defaults, std::string& message);

    // The record of a row of the current disc (a spare record past the store's drives).
    TrackInfo& Record(int row);
    // The whole texts beside that record.
    TrackTexts& Texts(int row);
    CdDrive* CurrentDrive() { return currentIndex_ >= 0 ? &drives_[currentIndex_] : nullptr; }
    int CurrentDriveIndex() const { return currentIndex_; }
    int CurrentTrack() const { return currentTrack_; }
    const std::vector<GrabberRow>& Rows() const { return rows_; }
    const SelectionTotals& Totals() const { return totals_; }
    const std::string& DiscSize() const { return discSize_; }
    bool AllTicked() const { return selectAll_; }

    DiscInfoStore& Store() { return *store_; }

    // The info fields and the rows' texts are UTF-8, whole; the records keep their first
    // bytes in Latin-1 (as ID3 tags hold it).
    std::string artist = kUnknownText;
    std::string album;
    std::string year;
    std::string comment;
    // Table index of the chosen genre, or -1 when nothing is chosen.
    int genre = kGenreOther;
    // The front cover every CD job of the disc is given ("Co&ver...").
    TagPicture cover;

private:
    // A field of a row's track, whole while its record agrees.
    std::string Text(int row, TrackField field);
    void StoreRowNames(int index);
    void RecountTotals();

    DriveTable& drives_;
    int& driveCount_;
    std::unique_ptr<DiscInfoStore> store_;
    std::array<TrackInfo, DiscInfoStore::kTracks> spare_{};
    std::array<TrackTexts, DiscInfoStore::kTracks> spareTexts_{};
    std::vector<GrabberRow> rows_;
    SelectionTotals totals_;
    std::string discSize_ = "0 MBytes";
    int currentIndex_ = -1;
    int currentTrack_ = 0;
    bool selectAll_ = false;
};

} // namespace quillon
