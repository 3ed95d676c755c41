#include "cd/windows/GrabberDialog.h"

#include "app/QuillonApp.h"
#include "cd/GenreList.h"
#include "cd/RipLog.h"
#include "cd/windows/BackgroundCall.h"
#include "cd/windows/FlatButton.h"
#include "cd/windows/GrabProgressDialog.h"
#include "cd/windows/GrabberTrackModel.h"
#include "cd/windows/ReleaseChooser.h"
#include "formats/CoverPicture.h"
#include "formats/TextEncoding.h"
#include "platform/qt/QtSettingsFile.h"
#include "res/Pictures.h"
#include "ui/AboutDialog.h"
#include "ui/FolderBrowser.h"
#include "ui/TextBytes.h"
#include "ui/ValueLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace quillon {

namespace {

// The list reports a pointer resting on it after this long, as the system's hover time.
constexpr int kHoverMs = 400;

const EnvironmentLookup kEnvironment = [](const char* name) -> const char* { return std::getenv(name); };

QString Plain(const QString& label)
{
    QString text = label;
    return text.remove(QLatin1Char('&'));
}

// A label with its access key pointing at the control, which takes the label's text as
// its accessible name.
QLabel* Labelled(const QString& caption, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(Plain(caption));
    return label;
}

// Keeps a field to kMaxTrackTextLength characters of any script: a line edit's own limit
// counts UTF-16 units, which would halve it for characters past the Basic Multilingual
// Plane. A longer paste is cut, as the line edit's own limit cuts it.
class CharacterLimit : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& text, int& position) const override
    {
        const QByteArray utf8 = text.toUtf8();
        const std::string_view kept = Utf8FirstCharacters({utf8.constData(), size_t(utf8.size())}, kMaxTrackTextLength);
        if (kept.size() < size_t(utf8.size())) {
            text = QString::fromUtf8(kept.data(), qsizetype(kept.size()));
            position = std::min(position, int(text.size()));
        }
        return Acceptable;
    }
};

QLineEdit* InfoEdit(const char* objectName, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setValidator(new CharacterLimit(edit));
    return edit;
}

} // namespace

GrabberDialog::GrabberDialog(QuillonApp& app, QWidget* parent)
    : QDialog(parent), app_(app), session_(app.drives, app.driveCount)
{
    askFolder = [this](const std::string& title) -> std::optional<std::string> {
        FolderBrowser browser;
        browser.title = title;
        if (!browser.Browse())
            return std::nullopt;
        return browser.path;
    };
    askCover = [this]() -> std::optional<std::string> {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Cover picture"), QString(),
                                                          QStringLiteral("JPEG or PNG pictures (*.jpg *.jpeg *.png)"));
        if (path.isEmpty())
            return std::nullopt;
        return FileNameBytes(path);
    };
    saveDefaults = [this] {
        QtSettingsFile file(SettingsFilePath([](const char* name) { return std::getenv(name); }));
        app_.SaveDefaults(file);
    };
    BuildControls();
}

GrabberDialog::~GrabberDialog() = default;

void GrabberDialog::BuildControls()
{
    setObjectName(QStringLiteral("grabberDialog"));
    setWindowTitle(QString::fromLatin1(kGrabberTitle));
    setWindowIcon(QIcon(QString::fromLatin1(pictures::kAppIconPath)));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    InstallAboutMenu(this);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(BuildDriveRow());
    BuildTrackList();
    outer->addWidget(tracks_, 1);
    auto* below = new QHBoxLayout;
    below->addWidget(new QLabel(QStringLiteral("Left-click on the Track Name items to edit."), this));
    below->addSpacing(24);
    auto* statusCaption = new QLabel(QStringLiteral("Look-up:"), this);
    lookupStatus_ = new ValueLabel(statusCaption->text(), QStringLiteral("not looked up"), this);
    lookupStatus_->setObjectName(QStringLiteral("lookupStatus"));
    // A long release line is cut on screen rather than widening the dialog; its accessible
    // name and tooltip keep it whole.
    lookupStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    below->addWidget(statusCaption);
    below->addWidget(lookupStatus_, 1);
    outer->addLayout(below);
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildTotals());
    middle->addLayout(BuildInfoFields(), 1);
    outer->addLayout(middle);
    outer->addLayout(BuildButtons());
    SetTabOrder();

    hover_ = new QTimer(this);
    hover_->setSingleShot(true);
    hover_->setInterval(kHoverMs);
    lookupCall_ = new BackgroundCall(this);
    ConnectControls();
    resize(760, 560);
}

QHBoxLayout* GrabberDialog::BuildDriveRow()
{
    auto* driveRow = new QHBoxLayout;
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("drives"));
    drives_->setMinimumWidth(240);
    driveRow->addWidget(Labelled(QStringLiteral("&Select CD-ROM Drive:"), drives_, this));
    driveRow->addWidget(drives_, 1);
    refresh_ = new FlatButton(QStringLiteral("&Refresh"), this);
    refresh_->setObjectName(QStringLiteral("refresh"));
    driveRow->addWidget(refresh_);
    setDefault_ = new FlatButton(QStringLiteral("&Set default CD"), this);
    setDefault_->setObjectName(QStringLiteral("setDefaultCd"));
    driveRow->addWidget(setDefault_);
    readOffset_ = new QLineEdit(this);
    readOffset_->setObjectName(QStringLiteral("readOffset"));
    readOffset_->setPlaceholderText(QStringLiteral("not set"));
    readOffset_->setToolTip(QStringLiteral("The drive's read offset correction in samples (+6: the drive delivers "
                                           "data 6 samples early), kept for its model"));
    // Wide enough for the widest correction and for the placeholder.
    const QFontMetrics metrics(readOffset_->font());
    readOffset_->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("-220500")) + metrics.averageCharWidth() * 3);
    driveRow->addSpacing(12);
    driveRow->addWidget(Labelled(QStringLiteral("Read &offset:"), readOffset_, this));
    driveRow->addWidget(readOffset_);
    auto* sizeCaption = new QLabel(QStringLiteral("Total Disc Size:"), this);
    discSize_ = new ValueLabel(sizeCaption->text(), QStringLiteral("0 MBytes"), this);
    discSize_->setObjectName(QStringLiteral("discSize"));
    driveRow->addSpacing(12);
    driveRow->addWidget(sizeCaption);
    driveRow->addWidget(discSize_);
    return driveRow;
}

void GrabberDialog::BuildTrackList()
{
    model_ = new GrabberTrackModel(session_, this);
    tracks_ = new QTableView(this);
    tracks_->setObjectName(QStringLiteral("tracks"));
    tracks_->setAccessibleName(QStringLiteral("Tracks"));
    tracks_->setModel(model_);
    tracks_->verticalHeader()->hide();
    tracks_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    tracks_->setShowGrid(true);
    tracks_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tracks_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The arrows move between the rows; Tab leaves the list for the next control, so that
    // the keyboard alone reaches the whole window.
    tracks_->setTabKeyNavigation(false);
    tracks_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::DoubleClicked);
    tracks_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    tracks_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tracks_->resizeColumnsToContents();
    const int nameColumn = static_cast<int>(TrackColumn::Name);
    tracks_->setColumnWidth(nameColumn, tracks_->columnWidth(nameColumn) * 5 / 2);
    tracks_->setMinimumHeight(180);
    tracks_->viewport()->setMouseTracking(true);
    tracks_->viewport()->installEventFilter(this);
}

QGroupBox* GrabberDialog::BuildTotals()
{
    auto* totals = new QGroupBox(QStringLiteral("Selected Track(s):"), this);
    auto* totalsGrid = new QGridLayout(totals);
    auto addTotal = [&](int row, const char* caption, const char* initial, const char* name) {
        auto* value = new ValueLabel(QString::fromLatin1(caption), QString::fromLatin1(initial), totals);
        value->setObjectName(QString::fromLatin1(name));
        totalsGrid->addWidget(new QLabel(QString::fromLatin1(caption), totals), row, 0);
        totalsGrid->addWidget(value, row, 1);
        return value;
    };
    totalSize_ = addTotal(0, "Total Size:", "00 MBytes.", "totalSize");
    totalTime_ = addTotal(1, "Total Time:", "00:00:00 ", "totalTime");
    totalTracks_ = addTotal(2, "Total Tracks:", "0 Track(s) ", "totalTracks");
    return totals;
}

QGridLayout* GrabberDialog::BuildInfoFields()
{
    auto* info = new QGridLayout;
    artist_ = InfoEdit("artist", this);
    album_ = InfoEdit("album", this);
    year_ = InfoEdit("year", this);
    year_->setMaxLength(4);
    year_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), year_));
    comment_ = InfoEdit("comment", this);
    genres_ = new QComboBox(this);
    genres_->setObjectName(QStringLiteral("genres"));
    genres_->setMaxVisibleItems(16);
    // The list shows the names sorted; each entry carries its index in the genre table.
    for (const int index : SortedGenreIndices())
        genres_->addItem(QString::fromLatin1(GenreName(index)), index);
    info->addWidget(Labelled(QStringLiteral("Artist &Name:"), artist_, this), 0, 0);
    info->addWidget(artist_, 0, 1, 1, 3);
    info->addWidget(Labelled(QStringLiteral("Album Nam&e:"), album_, this), 1, 0);
    info->addWidget(album_, 1, 1, 1, 3);
    info->addWidget(Labelled(QStringLiteral("Music Genre:"), genres_, this), 2, 0);
    info->addWidget(genres_, 2, 1);
    info->addWidget(Labelled(QStringLiteral("Year:"), year_, this), 2, 2);
    info->addWidget(year_, 2, 3);
    info->addWidget(Labelled(QStringLiteral("Comment:"), comment_, this), 3, 0);
    info->addWidget(comment_, 3, 1, 1, 3);
    assign_ = new QPushButton(QStringLiteral("Assign Current Info to all &Tracks."), this);
    assign_->setObjectName(QStringLiteral("assign"));
    assign_->setAccessibleName(Plain(assign_->text()));
    assign_->setAutoDefault(false);
    info->addWidget(assign_, 4, 0, 1, 4);
    return info;
}

QHBoxLayout* GrabberDialog::BuildButtons()
{
    auto* buttons = new QHBoxLayout;
    selectAll_ = new FlatButton(QString::fromLatin1(kSelectAllLabel), this);
    selectAll_->setObjectName(QStringLiteral("selectAll"));
    secure_ = new QCheckBox(QStringLiteral("&Secure mode"), this);
    secure_->setObjectName(QStringLiteral("secureMode"));
    secure_->setAccessibleName(Plain(secure_->text()));
    secure_->setChecked(app_.settings.secureMode != 0);
    grabNow_ = new FlatButton(QStringLiteral("&Grab Now!"), this);
    grabNow_->setObjectName(QStringLiteral("grabNow"));
    grabNow_->SetIcons(QString::fromLatin1(pictures::kGrabIconPath), QString::fromLatin1(pictures::kGrabHotIconPath),
                       FlatButton::IconPlace::Left);
    ok_ = new FlatButton(QStringLiteral("O&K"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->SetIcons(QString::fromLatin1(pictures::kOkIconPath), QString(), FlatButton::IconPlace::Above);
    cancel_ = new FlatButton(QStringLiteral("&Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->SetIcons(QString::fromLatin1(pictures::kCancelIconPath), QString(), FlatButton::IconPlace::Above);
    lookup_ = new QPushButton(QString::fromLatin1(kLookupLabel), this);
    lookup_->setObjectName(QStringLiteral("lookup"));
    lookup_->setAccessibleName(Plain(lookup_->text()));
    // Wide enough for both of its labels: the row does not move when it turns into Cancel.
    lookup_->setMinimumWidth(
        std::max(lookup_->sizeHint().width(),
                 lookup_->fontMetrics().horizontalAdvance(Plain(QString::fromLatin1(kCancelLookupLabel))) + 24));
    cover_ = new QPushButton(QStringLiteral("Co&ver..."), this);
    cover_->setObjectName(QStringLiteral("cover"));
    cover_->setAccessibleName(Plain(cover_->text()));
    coverPicture_ = new QLabel(this);
    coverPicture_->setObjectName(QStringLiteral("coverPicture"));
    coverPicture_->setFixedSize(48, 48);
    coverPicture_->setAccessibleName(QStringLiteral("Cover picture: none"));
    buttons->addWidget(selectAll_);
    buttons->addWidget(lookup_);
    buttons->addWidget(cover_);
    buttons->addWidget(coverPicture_);
    buttons->addStretch(1);
    buttons->addWidget(secure_);
    buttons->addWidget(grabNow_);
    buttons->addSpacing(16);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    for (QPushButton* b : {static_cast<QPushButton*>(refresh_), static_cast<QPushButton*>(setDefault_),
                           static_cast<QPushButton*>(selectAll_), lookup_, cover_, static_cast<QPushButton*>(grabNow_),
                           static_cast<QPushButton*>(ok_), static_cast<QPushButton*>(cancel_)})
        b->setAutoDefault(false);
    return buttons;
}

void GrabberDialog::SetTabOrder()
{
    QWidget* const order[] = {drives_, refresh_, setDefault_, readOffset_, tracks_, artist_,
                              album_,  genres_,  year_,       comment_,    assign_, selectAll_,
                              lookup_, cover_,   secure_,     grabNow_,    ok_,     cancel_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void GrabberDialog::ConnectControls()
{
    connect(drives_, &QComboBox::currentIndexChanged, this, &GrabberDialog::OnDriveChanged);
    connect(refresh_, &QPushButton::clicked, this, [this] {
        if (drives_->currentIndex() >= 0 && !LoadDisc(drives_->currentIndex()))
            reject();
    });
    connect(setDefault_, &QPushButton::clicked, this, &GrabberDialog::OnSetDefaultCd);
    connect(model_, &GrabberTrackModel::TicksChanged, this, &GrabberDialog::ShowTotals);
    connect(selectAll_, &QPushButton::clicked, this, &GrabberDialog::OnSelectAll);
    connect(assign_, &QPushButton::clicked, this, &GrabberDialog::OnAssign);
    for (QLineEdit* edit : {artist_, album_, year_, comment_})
        connect(edit, &QLineEdit::textChanged, this, &GrabberDialog::OnFieldChanged);
    connect(genres_, &QComboBox::currentIndexChanged, this, &GrabberDialog::OnFieldChanged);
    connect(hover_, &QTimer::timeout, this, &GrabberDialog::OnHover);
    connect(secure_, &QCheckBox::toggled, this, [this](bool on) {
        app_.settings.secureMode = on ? 1 : 0;
        saveDefaults();
    });
    connect(grabNow_, &QPushButton::clicked, this, &GrabberDialog::OnGrabNow);
    connect(lookup_, &QPushButton::clicked, this, &GrabberDialog::OnLookup);
    connect(cover_, &QPushButton::clicked, this, &GrabberDialog::OnCover);
    connect(ok_, &QPushButton::clicked, this, &GrabberDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool GrabberDialog::Open()
{
    if (!session_.DetectDrives()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillon"), QString::fromLatin1(kNoDrivesMessage),
                        QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    {
        // Filling the list is not the user choosing a drive.
        const QSignalBlocker filling(drives_);
        drives_->clear();
        for (const std::string& entry : session_.DriveEntries())
            drives_->addItem(QString::fromStdString(entry));
        drives_->setCurrentIndex(session_.InitialDrive(app_.settings.defaultCd));
    }
    if (!LoadDisc(drives_->currentIndex()))
        return false;
    if (model_->rowCount() > 0) {
        tracks_->selectRow(0);
        tracks_->setFocus();
    }
    return true;
}

bool GrabberDialog::LoadDisc(int index)
{
    // A look-up still running asks about the disc that is going.
    if (lookupCall_->Running()) {
        CancelLookup();
        EndLookup(QString::fromLatin1(kLookupCancelled));
    }
    const DiscLoad load = session_.LoadDisc(index, QDate::currentDate().year());
    model_->Reset();
    discSize_->setText(QString::fromStdString(session_.DiscSize()));
    ShowReadOffset();
    ShowCover(QStringLiteral("stored with the disc"));
    ShowTotals();
    ShowFields();
    if (!load.discPresent) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillon"), QString::fromLatin1(kNoDiscMessage),
                        QMessageBox::Ok, this);
        box.exec();
    }
    if (!load.rawAudio) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Quillon"), QString::fromLatin1(kNoRawAudioQuestion),
                        QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() == QMessageBox::No)
            return false;
    }
    if (GrabberSession::LooksUpByItself(load, app_.settings.lookup.autoLookup))
        StartLookup(false);
    return true;
}

void GrabberDialog::OnDriveChanged(int index)
{
    if (index >= 0 && !LoadDisc(index))
        reject();
}

void GrabberDialog::OnSetDefaultCd()
{
    if (drives_->currentIndex() < 0)
        return;
    app_.settings.defaultCd = drives_->currentIndex();
    saveDefaults();
}

void GrabberDialog::OnSelectAll()
{
    selectAll_->setText(QString::fromLatin1(session_.ToggleSelectAll()));
    selectAll_->setAccessibleName(Plain(selectAll_->text()));
    model_->RowsChanged();
    ShowTotals();
}

void GrabberDialog::OnAssign()
{
    TakeFields();
    session_.AssignInfoToAll();
    model_->RowsChanged();
}

void GrabberDialog::OnFieldChanged()
{
    TakeFields();
    const QModelIndex mark = tracks_->currentIndex();
    const QItemSelection selection = tracks_->selectionModel()->selection();
    session_.CommitTrackInfo(mark.isValid() ? mark.row() : -1, selection.isEmpty() ? -1 : selection.first().top());
    model_->RowsChanged();
    ShowFields();
}

void GrabberDialog::OnHover()
{
    if (!tracks_->viewport()->underMouse())
        return;
    OnFieldChanged();
}

bool GrabberDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tracks_->viewport()) {
        if (event->type() == QEvent::MouseMove)
            hover_->start();
        else if (event->type() == QEvent::Leave)
            hover_->stop();
    }
    return QDialog::eventFilter(watched, event);
}

void GrabberDialog::OnGrabNow()
{
    CdDrive* drive = session_.CurrentDrive();
    if (drive == nullptr || session_.Totals().count < 1) {
        StopMessage(QString::fromLatin1(kGrabNoTrackMessage));
        return;
    }
    std::optional<int> correction;
    if (!TakeReadOffset(correction))
        return;
    drive->readCorrection = correction.value_or(0);
    RipReport report = StartRipReport(*drive);
    report.offsetCorrection = correction;
    report.album = session_.album;
    report.performer = session_.artist;
    GrabProgressDialog window(this);
    const bool secure = app_.settings.secureMode != 0;
    AccurateRipCheck check;
    check.server = ChooseAccurateRipServer(app_.settings.lookup.accurateRipServer, kEnvironment);
    check.timeoutSeconds = LookupTimeoutSeconds(kEnvironment);
    AudioGrab(*drive, session_.GrabChoices(), askFolder, window, WallClockSeconds, &report, secure, &check);
    QString marked;
    QString inaccurate;
    for (const RipTrackReport& track : report.tracks) {
        if (!track.suspicious.empty())
            marked += QStringLiteral("\n") + FileNameText(track.fileName);
        if (track.verdict == kNotAccurateVerdict)
            inaccurate += QStringLiteral("\n") + FileNameText(track.fileName);
    }
    if (!marked.isEmpty())
        StopMessage(QStringLiteral("These tracks have suspicious positions, where the reads never agreed; they are "
                                   "kept and marked in the log:") +
                    marked);
    if (!inaccurate.isEmpty())
        StopMessage(QStringLiteral("These tracks differ from every rip of the disc in AccurateRip; they are kept and "
                                   "marked in the log:") +
                    inaccurate);
}

void GrabberDialog::ShowReadOffset()
{
    const CdDrive* drive = session_.CurrentDrive();
    const std::string key = drive ? DriveOffsetKey(drive->vendor, drive->product) : std::string();
    readOffset_->setText(QString::fromStdString(drive ? DriveOffsetFieldText(app_.settings, key) : std::string()));
}

bool GrabberDialog::TakeReadOffset(std::optional<int>& correction)
{
    const CdDrive* drive = session_.CurrentDrive();
    if (drive == nullptr)
        return true;
    bool changed = false;
    std::string problem;
    if (!TakeDriveOffsetField(app_.settings, DriveOffsetKey(drive->vendor, drive->product),
                              readOffset_->text().toStdString(), correction, changed, problem)) {
        StopMessage(Utf8Text(problem));
        readOffset_->setFocus();
        return false;
    }
    if (changed)
        saveDefaults();
    return true;
}

void GrabberDialog::OnCover()
{
    const std::optional<std::string> path = askCover();
    if (!path)
        return;
    std::string problem;
    const std::optional<TagPicture> picture = ReadCoverPicture(*path, problem);
    if (!picture) {
        StopMessage(Utf8Text(problem));
        return;
    }
    session_.cover = *picture;
    ShowCover(FileNameText(*path));
}

void GrabberDialog::OnLookup()
{
    if (lookupCall_->Running()) {
        CancelLookup();
        EndLookup(QString::fromLatin1(kLookupCancelled));
        return;
    }
    StartLookup(true);
}

void GrabberDialog::StartLookup(bool asked)
{
    const LookupRequest request = session_.DiscLookupRequest(app_.settings.lookup.musicBrainzServer,
                                                             app_.settings.lookup.coverArtServer, kEnvironment);
    lookup_->setText(QString::fromLatin1(kCancelLookupLabel));
    lookup_->setAccessibleName(Plain(lookup_->text()));
    lookupStatus_->setText(QString::fromLatin1(kLookingUpText));
    lookupCall_->Start(
        [request](const std::atomic<bool>& cancel) { return LookUpDisc(request, cancel); },
        [this, request, asked](LookupResult found) { OnLookupAnswer(request, std::move(found), asked); });
}

void GrabberDialog::OnLookupAnswer(const LookupRequest& request, LookupResult found, bool asked)
{
    if (found.outcome != LookupOutcome::Found) {
        const QString message = Utf8Text(found.message);
        lookupStatus_->setText(message);
        // Nothing stops: the box only tells, and a look-up of its own does not even that.
        if (asked) {
            QMessageBox box(QMessageBox::Information, QStringLiteral("Quillon"), message, QMessageBox::Ok, this);
            box.exec();
        }
        EndLookup(message);
        return;
    }
    size_t chosen = 0;
    if (found.releases.size() > 1) {
        const std::optional<size_t> pick = ChooseRelease(this, found.releases);
        if (!pick) {
            EndLookup(QString::fromLatin1(kNoReleaseChosenText));
            return;
        }
        chosen = *pick;
    }
    const ReleaseChoice release = found.releases[chosen];
    session_.TakeRelease(release);
    model_->RowsChanged();
    ShowFields();
    const QString filled = Utf8Text(GrabberSession::FilledText(release));
    lookupStatus_->setText(filled);
    // The cover comes with the release; the button stays Cancel until it is here.
    lookupCall_->Start(
        [request, release](const std::atomic<bool>& cancel) { return FetchFrontCover(request, release, cancel); },
        [this, filled](TagPicture cover) {
            if (cover.bytes) {
                session_.cover = std::move(cover);
                ShowCover(QStringLiteral("front cover from the Cover Art Archive"));
            }
            EndLookup(filled);
        });
}

void GrabberDialog::EndLookup(const QString& status)
{
    lookup_->setText(QString::fromLatin1(kLookupLabel));
    lookup_->setAccessibleName(Plain(lookup_->text()));
    lookupStatus_->setText(status);
    lookupStatus_->setToolTip(status);
    emit LookupFinished();
}

void GrabberDialog::CancelLookup()
{
    lookupCall_->Cancel();
}

void GrabberDialog::done(int result)
{
    CancelLookup();
    QDialog::done(result);
}

void GrabberDialog::ShowCover(const QString& name)
{
    QPixmap shown;
    if (session_.cover.bytes)
        shown.loadFromData(session_.cover.bytes->data(), static_cast<uint>(session_.cover.bytes->size()));
    coverPicture_->setPixmap(shown.isNull()
                                 ? QPixmap()
                                 : shown.scaled(coverPicture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    coverPicture_->setAccessibleName(QStringLiteral("Cover picture: ") +
                                     (shown.isNull() ? QStringLiteral("none") : name));
}

void GrabberDialog::OnOk()
{
    std::string message;
    switch (session_.AcceptTracks(app_.jobs, app_.settings.options, message)) {
    case AcceptOutcome::NothingSelected: StopMessage(QString::fromLatin1(kGrabNoTrackMessage)); return;
    case AcceptOutcome::Refused: StopMessage(QString::fromStdString(message)); return;
    case AcceptOutcome::Accepted: accept(); return;
    }
}

void GrabberDialog::StopMessage(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Quillon"), text, QMessageBox::Ok, this);
    box.exec();
}

void GrabberDialog::TakeFields()
{
    session_.artist = Utf8Bytes(artist_->text());
    session_.album = Utf8Bytes(album_->text());
    session_.year = Utf8Bytes(year_->text());
    session_.comment = Utf8Bytes(comment_->text());
    session_.genre = genres_->currentIndex() >= 0 ? genres_->currentData().toInt() : -1;
}

void GrabberDialog::ShowFields()
{
    // Showing the session's fields is not the user editing them.
    const QSignalBlocker artist(artist_), album(album_), year(year_), comment(comment_), genre(genres_);
    artist_->setText(Utf8Text(session_.artist));
    album_->setText(Utf8Text(session_.album));
    year_->setText(Utf8Text(session_.year));
    comment_->setText(Utf8Text(session_.comment));
    genres_->setCurrentIndex(genres_->findData(session_.genre));
}

void GrabberDialog::ShowTotals()
{
    const SelectionTotals& totals = session_.Totals();
    if (totals.tracksText.empty())
        return; // nothing counted yet: the initial texts stay
    totalSize_->setText(QString::fromStdString(totals.sizeText));
    totalTime_->setText(QString::fromStdString(totals.timeText));
    totalTracks_->setText(QString::fromStdString(totals.tracksText));
}

bool OpenGrabberDialog(QWidget* parent, QuillonApp& app)
{
    GrabberDialog dialog(app, parent);
    if (!dialog.Open())
        return false;
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quillon
