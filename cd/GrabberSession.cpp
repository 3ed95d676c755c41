#include "cd/GrabberSession.h"

#include "cd/GenreList.h"
#include "cd/TrackJobs.h"
#include "formats/TextEncoding.h"

#include <algorithm>

namespace quillon {

const char* const kGrabberTitle = "Quillon - CD-Audio Grabber Options...";
const char* const kNoDrivesMessage = "No CD-ROM drives detected!";
const char* const kNoDiscMessage = "No CD-Audio Disc Present in Drive!";
const char* const kNoRawAudioQuestion =
    "Warning!: This CD-ROM doesn't support RAW Audio Reading !\nQuillon may not be able to grab audio tracks "
    "from CDA.\nDo you want to continue anyway ?";
const char* const kSelectAllLabel = "Select &All Tracks";
const char* const kDeselectAllLabel = "Deselect &All Tracks";
const char* const kUnknownText = "Unknown";
const char* const kLookupLabel = "&Lookup";
const char* const kCancelLookupLabel = "Cancel &look-up";
const char* const kLookingUpText = "Looking the disc up in MusicBrainz...";
const char* const kNoReleaseChosenText = "No release was chosen.";

namespace {

// The control nibble's data bit: such a track holds sectors of a file system, not sound.
bool IsDataTrack(uint8_t adrControl)
{
    return (adrControl & 0x04) != 0;
}

// INQUIRY pads its texts with blanks; the list shows the words.
std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string OrUnknown(std::string text)
{
    return text.empty() ? std::string(kUnknownText) : text;
}

} // namespace

GrabberSession::GrabberSession(DriveTable& drives, int& driveCount)
    : drives_(drives), driveCount_(driveCount), store_(std::make_unique<DiscInfoStore>())
{}

bool GrabberSession::DetectDrives()
{
    store_->Clear();
    currentTrack_ = 0;
    artist = kUnknownText;
    currentIndex_ = -1;
    driveCount_ = quillon::DetectDrives(drives_);
    if (driveCount_ < 0)
        driveCount_ = 0;
    return driveCount_ > 0;
}

std::vector<std::string> GrabberSession::DriveEntries() const
{
    std::vector<std::string> entries;
    for (int i = 0; i < driveCount_; ++i)
        entries.push_back(TrimRight(drives_[i].vendor) + " " + TrimRight(drives_[i].product));
    return entries;
}

int GrabberSession::InitialDrive(int defaultCd) const
{
    return defaultCd >= 0 && defaultCd < driveCount_ ? defaultCd : 0;
}

TrackInfo& GrabberSession::Record(int row)
{
    if (TrackInfo* stored = store_->Record(currentIndex_, row))
        return *stored;
    return spare_.at(static_cast<size_t>(row));
}

TrackTexts& GrabberSession::Texts(int row)
{
    if (TrackTexts* stored = store_->Texts(currentIndex_, row))
        return *stored;
    return spareTexts_.at(static_cast<size_t>(row));
}

std::string GrabberSession::Text(int row, TrackField field)
{
    return TrackText(Record(row), Texts(row), field);
}

void GrabberSession::StoreRowNames(int index)
{
    for (size_t i = 0; i < rows_.size(); ++i)
        SetTrackInfoTitle(Record(static_cast<int>(i)), Texts(static_cast<int>(i)), rows_[i].texts.name);
    if (store_->SaveDiscInfo(index, drives_[index]))
        store_->SaveCover(drives_[index], cover);
}

DiscLoad GrabberSession::LoadDisc(int index, int currentYear)
{
    DiscLoad load;
    currentTrack_ = 0;
    if (currentIndex_ >= 0)
        StoreRowNames(currentIndex_);
    rows_.clear();
    artist = kUnknownText;
    cover = {};
    if (index < 0 || index >= driveCount_) {
        currentIndex_ = -1;
        return load;
    }

    currentIndex_ = index;
    if (store_->Record(index, 0) == nullptr) {
        spare_ = {};
        spareTexts_ = {};
    }
    CdDrive& drive = drives_[index];
    drive.SetBlockMode(0, 2048);
    DiscToc toc;
    int count = 0;
    load.discPresent = drive.ReadToc(count, toc.data()) == 1;
    if (load.discPresent) {
        discSize_ = DiscSizeText(drive.totalSectors);
        load.storedTextRead = store_->LoadDiscInfo(index, drive);
        cover = store_->LoadCover(drive);
        const int tracks = std::min<int>(drive.trackCount, DiscInfoStore::kTracks);
        std::vector<std::string> names;
        for (int i = 0; i < tracks; ++i) {
            if (load.storedTextRead) {
                names.push_back(Text(i, TrackField::Title));
            } else {
                names.push_back(DefaultTrackName(i));
                SetTrackInfoTitle(Record(i), Texts(i), names.back());
            }
        }
        for (TrackRow& texts : BuildTrackRows(drive, names)) {
            GrabberRow row;
            row.dataTrack = IsDataTrack(drive.tracks[rows_.size()].entry.adrControl);
            row.texts = std::move(texts);
            rows_.push_back(std::move(row));
            if (rows_.size() == static_cast<size_t>(tracks))
                break;
        }
        RecountTotals();
    }

    genre = kGenreOther;
    selectAll_ = false;
    if (load.storedTextRead && !rows_.empty()) {
        year = Text(0, TrackField::Year);
        artist = Text(0, TrackField::Artist);
        album = Text(0, TrackField::Album);
    } else {
        year = std::to_string(currentYear);
        artist = kUnknownText;
        album = kUnknownText;
    }
    AssignInfoToAll();

    uint8_t capabilities[32] = {};
    drive.GetCapabilities(capabilities);
    load.rawAudio = CdDrive::SupportsRawAudio(capabilities);
    return load;
}

void GrabberSession::AssignInfoToAll()
{
    if (genre < 0 || genre >= kGenreCount)
        return;
    for (size_t i = 0; i < rows_.size(); ++i) {
        GrabberRow& row = rows_[i];
        row.texts.artist = artist;
        row.texts.genre = GenreName(genre);
        row.genre = genre;
        SetTrackInfo(Record(static_cast<int>(i)), Texts(static_cast<int>(i)), row.texts.name, artist, album, year,
                     comment, static_cast<uint8_t>(row.genre));
    }
}

void GrabberSession::CommitTrackInfo(int mark, int selectedRow)
{
    const int count = static_cast<int>(rows_.size());
    if (count == 0)
        return;
    if (currentTrack_ < 0 || currentTrack_ >= count)
        currentTrack_ = 0;
    // A list without a selection mark reports -1; the first row stands in for it.
    if (mark < 0 || mark >= count)
        mark = 0;
    if (selectedRow >= 0 && selectedRow < count) {
        currentTrack_ = selectedRow;
        mark = selectedRow;
    }

    GrabberRow& current = rows_[static_cast<size_t>(currentTrack_)];
    TrackInfo& record = Record(currentTrack_);
    SetTrackInfo(record, Texts(currentTrack_), current.texts.name, artist, album, year, comment,
                 static_cast<uint8_t>(current.genre));
    const int chosen = genre >= 0 ? genre : SortedGenreIndices().front();
    if (const int found = FindGenre(GenreName(chosen)); found >= 0)
        record.genre = static_cast<uint8_t>(found);
    current.texts.artist = artist;
    current.texts.genre = GenreName(chosen);

    const TrackInfo& shown = Record(mark);
    artist = rows_[static_cast<size_t>(mark)].texts.artist;
    const int position = SortedPositionForGenre(shown.genre);
    genre = position >= 0 ? SortedGenreIndices()[static_cast<size_t>(position)] : kGenreOther;
    currentTrack_ = mark;
    artist = OrUnknown(Text(mark, TrackField::Artist));
    album = OrUnknown(Text(mark, TrackField::Album));
    comment = OrUnknown(Text(mark, TrackField::Comment));
    // A full year field runs on into the comment: only its own four characters count.
    if (const std::string storedYear = Text(mark, TrackField::Year); !storedYear.empty())
        year = std::string(Utf8FirstCharacters(storedYear, 4));
}

void GrabberSession::RecountTotals()
{
    std::vector<bool> ticked;
    for (const GrabberRow& row : rows_)
        ticked.push_back(row.ticked);
    if (const CdDrive* drive = CurrentDrive())
        totals_ = UpdateSelectionTotals(*drive, ticked);
}

bool GrabberSession::SetTicked(int row, bool ticked)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    GrabberRow& r = rows_[static_cast<size_t>(row)];
    if (ticked && r.dataTrack)
        return false;
    r.ticked = ticked;
    RecountTotals();
    return true;
}

const char* GrabberSession::ToggleSelectAll()
{
    selectAll_ = !selectAll_;
    for (GrabberRow& row : rows_)
        row.ticked = selectAll_ && !row.dataTrack;
    RecountTotals();
    return selectAll_ ? kDeselectAllLabel : kSelectAllLabel;
}

bool GrabberSession::RenameTrack(int row, const std::string& name)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || Utf8Length(TextAsUtf8(name)) > kMaxTrackTextLength)
        return false;
    rows_[static_cast<size_t>(row)].texts.name = name;
    return true;
}

LookupRequest GrabberSession::DiscLookupRequest(const std::string& musicBrainzServer, const std::string& coverArtServer,
                                                const EnvironmentLookup& getEnv) const
{
    LookupRequest request;
    request.servers = ChooseLookupServers(musicBrainzServer, coverArtServer, getEnv);
    request.timeoutSeconds = LookupTimeoutSeconds(getEnv);
    if (currentIndex_ >= 0 && !rows_.empty()) {
        request.ids = ComputeDiscIds(drives_[currentIndex_]);
        request.audioTracks = AudioTrackCount(drives_[currentIndex_]);
    }
    return request;
}

bool GrabberSession::LooksUpByItself(const DiscLoad& load, int32_t autoLookup)
{
    return autoLookup == 1 && load.discPresent && !load.storedTextRead;
}

void GrabberSession::TakeRelease(const ReleaseChoice& release)
{
    CdDrive* drive = CurrentDrive();
    if (drive == nullptr || rows_.empty())
        return;
    for (size_t i = 0; i < rows_.size(); ++i)
        SetTrackInfoTitle(Record(static_cast<int>(i)), Texts(static_cast<int>(i)), rows_[i].texts.name);
    FillFromRelease(release, *store_, currentIndex_, *drive);
    const int releaseGenre = ReleaseGenre(release);
    for (size_t i = 0; i < rows_.size(); ++i) {
        GrabberRow& row = rows_[i];
        const int track = static_cast<int>(i);
        row.texts.name = Text(track, TrackField::Title);
        row.texts.artist = Text(track, TrackField::Artist);
        // Without a genre of the list the rows keep theirs, as the records do.
        if (releaseGenre >= 0 && !row.dataTrack) {
            row.genre = releaseGenre;
            row.texts.genre = GenreName(releaseGenre);
        }
    }
    if (currentTrack_ < 0 || currentTrack_ >= static_cast<int>(rows_.size()))
        currentTrack_ = 0;
    // The fields are the current track's: the next edit stores them into its record.
    artist = OrUnknown(Text(currentTrack_, TrackField::Artist));
    album = OrUnknown(Text(currentTrack_, TrackField::Album));
    year = std::string(Utf8FirstCharacters(Text(currentTrack_, TrackField::Year), 4));
    genre = rows_[static_cast<size_t>(currentTrack_)].genre;
}

std::string GrabberSession::FilledText(const ReleaseChoice& release)
{
    return "Filled in from MusicBrainz: " + ReleaseLine(release);
}

std::vector<GrabChoice> GrabberSession::GrabChoices() const
{
    std::vector<GrabChoice> choices;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].ticked)
            choices.push_back({static_cast<int>(i), rows_[i].texts.name});
    return choices;
}

AcceptOutcome GrabberSession::AcceptTracks(JobList& jobs, const DefaultEncodingOptions& defaults, std::string& message)
{
    if (totals_.count < 1)
        return AcceptOutcome::NothingSelected;
    CdDrive* drive = CurrentDrive();
    if (drive == nullptr)
        return AcceptOutcome::NothingSelected;
    std::vector<TickedTrack> ticked;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].ticked)
            continue;
        TrackInfo& record = Record(static_cast<int>(i));
        SetTrackInfoTitle(record, Texts(static_cast<int>(i)), rows_[i].texts.name);
        ticked.push_back({static_cast<int>(i), rows_[i].texts.name, &record, &Texts(static_cast<int>(i))});
    }
    if (const EditResult added = AddTrackJobs(jobs, *drive, ticked, defaults, cover); !added) {
        message = added.message;
        return AcceptOutcome::Refused;
    }
    if (store_->SaveDiscInfo(currentIndex_, *drive))
        store_->SaveCover(*drive, cover);
    return AcceptOutcome::Accepted;
}

} // namespace quillon
