#include "batch/windows/MLPage1.h"

#include "ui/TextBytes.h"

#include "app/QuillonApp.h"
#include "batch/AddPaths.h"
#include "batch/WizardRules.h"
#include "batch/windows/FileOptionsDialog.h"
#include "batch/windows/JobTableModel.h"
#include "batch/windows/WizardLook.h"
#include "res/Pictures.h"
#include "ui/FileListView.h"
#include "ui/FolderBrowser.h"
#include "ui/FolderTree.h"
#include "ui/SplashWindow.h"
#include "ui/ValueLabel.h"

#include <QDropEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr int kSplashMs = 1000;

QPushButton* Button(QWidget* owner, const char* label, const char* tip)
{
    auto* button = new QPushButton(QString::fromLatin1(label), owner);
    NameFromLabel(button, button->text());
    if (tip != nullptr)
        button->setToolTip(QString::fromLatin1(tip));
    return button;
}

// A label whose access key moves the focus to `buddy`, which takes the label's text as
// its name.
QLabel* LabelFor(QWidget* owner, const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromLatin1(text), owner);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
        NameFromLabel(buddy, label->text());
    }
    return label;
}

std::optional<std::string> BrowseForFolder(const std::string& title)
{
    FolderBrowser browser;
    browser.title = title;
    if (!browser.Browse())
        return std::nullopt;
    return browser.path;
}

// Local files of a drop from a file manager (text/uri-list).
std::vector<std::string> DroppedPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(FileNameBytes(url.toLocalFile()));
    }
    return paths;
}

} // namespace

MLPage1::MLPage1(QuillonApp& app, TrackPicker picker, QWidget* parent)
    : QWizardPage(parent), pickFolder(BrowseForFolder), app_(app), picker_(std::move(picker))
{
    ApplyTiledLook(this, pictures::kTile128Path, kDarkRed);
    BuildControls();
}

void MLPage1::BuildControls()
{
    // Layout: source on top, the batch below, its buttons at the bottom.
    QLayout* source = BuildSourcePart();
    QLayout* jobsRow = BuildJobListPart();
    QLayout* bottom = BuildJobButtons();
    auto* page = new QVBoxLayout(this);
    page->addLayout(source, 3);
    page->addLayout(jobsRow);
    page->addWidget(jobList_, 2);
    page->addLayout(bottom);

    const QList<QWidget*> order = {encode_,        decode_, tree_,       mask_,  sources_,   add_,     jobList_,
                                   setDefaultDir_, remove_, outputName_, clear_, outputDir_, options_, tracks_};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    ConnectControls();
}

QLayout* MLPage1::BuildSourcePart()
{
    encode_ = Button(this, "&Encode", "Sets action to encode");
    decode_ = Button(this, "&Decode", "Sets action to decode");
    for (auto* button : {encode_, decode_}) {
        button->setCheckable(true);
        button->setAutoExclusive(true);
    }
    tree_ = new FolderTree(this);
    auto* treeLabel = LabelFor(this, "&Select source directory", tree_);
    mask_ = new QLineEdit(this);
    auto* maskLabel = LabelFor(this, "Filter &mask", mask_);
    sources_ = new FileListView(this);
    sources_->Model()->SetSortAscending(true);
    sources_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sources_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sources_->setTabKeyNavigation(false);
    auto* sourcesLabel = LabelFor(this, "Select source &files", sources_);
    add_ = Button(this, "Add F&ile(s)", "Adds selected files to list of files to be processed");

    auto* actions = new QHBoxLayout;
    actions->addWidget(encode_);
    actions->addWidget(decode_);
    actions->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(actions);
    left->addWidget(treeLabel);
    left->addWidget(tree_, 1);
    auto* maskRow = new QHBoxLayout;
    maskRow->addWidget(maskLabel);
    maskRow->addWidget(mask_);
    auto* addRow = new QHBoxLayout;
    addRow->addStretch();
    addRow->addWidget(add_);
    auto* right = new QVBoxLayout;
    right->addLayout(maskRow);
    right->addWidget(sourcesLabel);
    right->addWidget(sources_, 1);
    right->addLayout(addRow);
    auto* source = new QHBoxLayout;
    source->addLayout(left, 2);
    source->addLayout(right, 3);
    return source;
}

QLayout* MLPage1::BuildJobListPart()
{
    jobList_ = new QTableView(this);
    model_ = new JobTableModel(app_.jobs, QStringLiteral("Encoding Options"), 0, this);
    jobList_->setModel(model_);
    MakeReportList(jobList_);
    jobList_->setTabKeyNavigation(false);
    jobList_->viewport()->setAcceptDrops(true);
    jobList_->viewport()->installEventFilter(this);
    auto* jobsLabel = LabelFor(this, "Selected files", jobList_);
    count_ = new ValueLabel(QStringLiteral("Selected files"), QStringLiteral("0"), this);
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The list itself goes below this row; the page gives it its share of the height.
    auto* jobsRow = new QHBoxLayout;
    jobsRow->addWidget(jobsLabel);
    jobsRow->addWidget(count_);
    jobsRow->addStretch();
    return jobsRow;
}

QLayout* MLPage1::BuildJobButtons()
{
    defaultDir_ = new ValueLabel(QStringLiteral("Default output dir:"), QString(), this);
    auto* defaultDirLabel = LabelFor(this, "Default output dir:", nullptr);
    defaultDir_->setTextInteractionFlags(Qt::NoTextInteraction);
    setDefaultDir_ = Button(this, "Set defa&ult output dir", "Select the default output directory.");
    remove_ = Button(this, "&Remove File", "Removes selected file from the list");
    outputName_ = new QLineEdit(this);
    outputName_->setMaxLength(static_cast<int>(kNameFieldSize - 1));
    outputName_->setToolTip(QStringLiteral("Type a new name for the output file"));
    outputName_->installEventFilter(this);
    auto* outputNameLabel = LabelFor(this, "Output file name", outputName_);
    clear_ = Button(this, "&Clear list", "Removes all files from the list");
    outputDir_ = Button(this, "Outpu&t dir", "Selects output directory for the selected file");
    options_ = Button(this, "Encoding &Options", "Set default and/or custom compression parameters");
    tracks_ = Button(this, "Select audio tracks", "Select audio tracks");

    auto* bottom = new QGridLayout;
    bottom->addWidget(defaultDirLabel, 0, 0);
    bottom->addWidget(defaultDir_, 0, 1);
    bottom->addWidget(setDefaultDir_, 0, 2);
    bottom->addWidget(remove_, 0, 3);
    bottom->addWidget(outputNameLabel, 1, 0);
    bottom->addWidget(outputName_, 1, 1);
    bottom->addWidget(clear_, 1, 2);
    bottom->addWidget(outputDir_, 1, 3);
    bottom->addWidget(options_, 2, 2);
    bottom->addWidget(tracks_, 2, 3);
    bottom->setColumnStretch(1, 1);
    return bottom;
}

void MLPage1::ConnectControls()
{
    connect(encode_, &QPushButton::clicked, this, [this] { ChooseAction(true); });
    connect(decode_, &QPushButton::clicked, this, [this] { ChooseAction(false); });
    connect(mask_, &QLineEdit::textChanged, this, &MLPage1::OnMaskEdited);
    connect(add_, &QPushButton::clicked, this, &MLPage1::AddFiles);
    connect(setDefaultDir_, &QPushButton::clicked, this, &MLPage1::SetDefaultOutputDir);
    connect(remove_, &QPushButton::clicked, this, &MLPage1::RemoveFile);
    connect(outputName_, &QLineEdit::textChanged, this, &MLPage1::OnOutputNameEdited);
    connect(clear_, &QPushButton::clicked, this, &MLPage1::ClearList);
    connect(outputDir_, &QPushButton::clicked, this, &MLPage1::SetJobOutputDir);
    connect(options_, &QPushButton::clicked, this, &MLPage1::EditSelectedJobOptions);
    connect(tracks_, &QPushButton::clicked, this, &MLPage1::SelectAudioTracks);
    connect(jobList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!selecting_)
                    app_.jobs.Select(current.isValid() ? current.row() : -1);
            });
}

void MLPage1::initializePage()
{
    // The wizard initialises its first page again on restart; the page's own
    // initialisation is once per showing of the wizard.
    if (initialised_)
        return;
    initialised_ = true;

    tree_->fileList = sources_;
    tree_->mask = std::string(kWavMask);
    tree_->FillDrives();
    mask_->setText(Utf8Text(kWavMask));

    if (app_.splashPending) {
        app_.splashPending = false;
        auto* splash = new SplashWindow(pictures::kSplash, kSplashMs);
        if (!splash->Create())
            delete splash;
        // The splash stays for its second before the wizard can be used.
        QEventLoop wait;
        QTimer::singleShot(kSplashMs, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }

    app_.jobs.ResetForWizard();
    for (int column = 0; column < model_->columnCount(); ++column)
        jobList_->resizeColumnToContents(column);
    defaultDir_->setText(FileNameText(app_.jobs.DefaultOutputDir()));
    encode_->setChecked(true);
    ChooseAction(true);
    ShowJobs(false);
    count_->setText(QStringLiteral("0")); // the count is shown as "%3d" from the first change on
}

bool MLPage1::isComplete() const
{
    return app_.jobs.Count() != 0;
}

void MLPage1::ChooseAction(bool encode)
{
    encoding_ = encode;
    decoding_ = !encode;
    encode_->setChecked(encode);
    decode_->setChecked(!encode);
    tracks_->setEnabled(encode);
    const QString mask = Utf8Text(encode ? kWavMask : kMpegMask);
    if (mask_->text() == mask)
        OnMaskEdited(mask);
    else
        mask_->setText(mask); // lists the folder again through OnMaskEdited
}

void MLPage1::OnMaskEdited(const QString& text)
{
    tree_->mask = MaskFromField(FileNameBytes(text));
    tree_->RefreshFiles(tree_->currentFolder);
}

void MLPage1::ShowJobs(bool sizeColumns)
{
    selecting_ = true;
    model_->Reset();
    SelectRow(app_.jobs.Selected());
    selecting_ = false;
    if (sizeColumns) {
        for (int column = 0; column < model_->columnCount(); ++column) {
            if (column != static_cast<int>(JobColumn::Options))
                jobList_->resizeColumnToContents(column);
        }
    }
    const int count = app_.jobs.Count();
    count_->setText(QString::fromStdString(CountText(count)));
    for (auto* button : {options_, clear_, remove_, outputDir_})
        button->setEnabled(count != 0);
    emit completeChanged();
}

void MLPage1::SelectRow(int row)
{
    if (row < 0) {
        jobList_->selectionModel()->clear();
        return;
    }
    const QModelIndex index = model_->Cell(row, JobColumn::FileName);
    jobList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    jobList_->scrollTo(index);
}

void MLPage1::ShowRefusal(const std::string& message)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillon"), FileNameText(message), QMessageBox::Ok, this);
    box.exec();
}

void MLPage1::AddFiles()
{
    std::vector<SourceFile> files;
    const QModelIndexList rows = sources_->selectionModel()->selectedRows();
    std::vector<int> numbers;
    for (const QModelIndex& index : rows)
        numbers.push_back(index.row());
    std::sort(numbers.begin(), numbers.end());
    for (int row : numbers)
        files.push_back({sources_->FileName(row), sources_->Model()->Row(row).size});
    if (files.empty())
        return;
    const auto added = app_.jobs.AddFiles(files, tree_->currentFolder, encoding_ ? kActionEncode : kActionDecode,
                                          app_.settings.options);
    if (!added)
        ShowRefusal(added.message);
    ShowJobs(true);
}

void MLPage1::AddDroppedPaths(const std::vector<std::string>& paths)
{
    const auto refused = AddPathsToBatch(app_.jobs, paths, app_.settings.options);
    ShowJobs(true);
    if (refused.empty())
        return;
    std::string text;
    for (const auto& line : refused)
        text += (text.empty() ? "" : "\n") + line;
    ShowRefusal(text);
}

void MLPage1::RemoveFile()
{
    app_.jobs.RemoveSelected();
    ShowJobs(false);
}

void MLPage1::ClearList()
{
    QMessageBox question(QMessageBox::Question, Utf8Text(kClearCaption), Utf8Text(kClearQuestion),
                         QMessageBox::Yes | QMessageBox::No, this);
    if (question.exec() != QMessageBox::Yes)
        return;
    app_.jobs.Clear();
    ShowJobs(false);
}

void MLPage1::SetDefaultOutputDir()
{
    const auto folder = pickFolder(std::string(kDefaultDirBrowserTitle));
    if (!folder)
        return;
    if (const auto set = app_.jobs.SetDefaultOutputDir(*folder); !set) {
        ShowRefusal(set.message);
        return;
    }
    defaultDir_->setText(FileNameText(app_.jobs.DefaultOutputDir()));
}

void MLPage1::SetJobOutputDir()
{
    const int selected = app_.jobs.Selected();
    if (selected < 0)
        return;
    const auto folder = pickFolder(std::string(kJobDirBrowserTitle));
    if (!folder)
        return;
    if (const auto set = app_.jobs.SetJobOutputDir(*folder); !set)
        ShowRefusal(set.message);
    model_->RowChanged(selected);
}

void MLPage1::EditSelectedJobOptions()
{
    const int selected = app_.jobs.Selected();
    if (selected < 0)
        return;
    const FileJob& job = app_.jobs.Job(selected);
    if (!job.IsEncode()) {
        QMessageBox box(QMessageBox::NoIcon, Utf8Text(kErrorCaption), Utf8Text(kNoDecodeOptionsMessage),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    FileOptionsDialog dialog(job.Options(), this);
    const int result = dialog.exec();
    if (result == FileOptionsDialog::Ok)
        SetOwnOptions(app_.jobs, selected, dialog.Values());
    else if (result == FileOptionsDialog::SetDefault)
        SetDefaultOptions(app_.jobs, app_.settings.options, dialog.Values());
    else
        return;
    for (int row = 0; row < app_.jobs.Count(); ++row)
        model_->RowChanged(row);
}

void MLPage1::SelectAudioTracks()
{
    if (!picker_ || !encoding_)
        return;
    if (!picker_(this, app_))
        return;
    ShowJobs(true);
    jobList_->resizeColumnToContents(static_cast<int>(JobColumn::Options));
}

void MLPage1::OnOutputNameEdited(const QString& text)
{
    const int selected = app_.jobs.Selected();
    if (selected < 0)
        return;
    // A name that does not fit stays unstored; the field keeps what the user typed.
    if (app_.jobs.SetJobOutputName(FileNameBytes(text)))
        model_->RowChanged(selected);
}

bool MLPage1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == outputName_ && event->type() == QEvent::FocusIn) {
        const int selected = app_.jobs.Selected();
        if (selected >= 0) {
            const QSignalBlocker quiet(outputName_); // the job has this name already
            outputName_->setText(FileNameText(app_.jobs.Row(selected).outputName));
            outputName_->selectAll();
        }
        return false;
    }
    if (watched == jobList_->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!DroppedPaths(drag->mimeData()).empty()) {
                drag->acceptProposedAction();
                return true;
            }
            return false;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const auto paths = DroppedPaths(drop->mimeData());
            if (paths.empty())
                return false;
            drop->acceptProposedAction();
            AddDroppedPaths(paths);
            return true;
        }
        default: break;
        }
    }
    return QWizardPage::eventFilter(watched, event);
}

} // namespace quillon
