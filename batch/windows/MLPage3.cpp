#include "batch/windows/MLPage3.h"

#include "ui/TextBytes.h"

#include "app/QuillonApp.h"
#include "batch/windows/JobTableModel.h"
#include "batch/windows/WizardLook.h"
#include "platform/qt/QtSettingsFile.h"
#include "res/Pictures.h"
#include "ui/ValueLabel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdlib>

namespace quillon {

namespace {

// Each cell of the summary is a copy of at most this many characters.
constexpr int kCellText = 255;

QLabel* Label(QWidget* owner, const char* text)
{
    return new QLabel(QString::fromLatin1(text), owner);
}

} // namespace

MLPage3::MLPage3(QuillonApp& app, QWidget* parent) : QWizardPage(parent), app_(app)
{
    ApplyTiledLook(this, pictures::kTile239x146Path, kBrightGreen);

    auto* intro = Label(this, "You had selected the following...");
    auto* defaultsLabel = Label(this, "Current default settings");
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken); // etched
    auto* outputDirLabel = Label(frame, "Output directory:");
    outputDir_ = new ValueLabel(outputDirLabel->text(), QString(), frame);
    auto* optionsLabel = Label(frame, "Encoding options:");
    options_ = new ValueLabel(optionsLabel->text(), QString(), frame);
    save_ = new QPushButton(QStringLiteral("Save"), frame);
    NameFromLabel(save_, save_->text());
    auto* grid = new QGridLayout(frame);
    grid->addWidget(outputDirLabel, 0, 0);
    grid->addWidget(outputDir_, 0, 1);
    grid->addWidget(optionsLabel, 1, 0);
    grid->addWidget(options_, 1, 1);
    grid->addWidget(save_, 0, 2, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);

    auto* listLabel = Label(this, "File list");
    summary_ = new QTableView(this);
    model_ = new JobTableModel(app_.jobs, QStringLiteral("(De)Compress Options"), kCellText, this);
    summary_->setModel(model_);
    MakeReportList(summary_);
    NameFromLabel(summary_, listLabel->text());

    auto* page = new QVBoxLayout(this);
    page->addWidget(intro);
    page->addWidget(defaultsLabel);
    page->addWidget(frame);
    page->addWidget(listLabel);
    page->addWidget(summary_, 1);

    connect(save_, &QPushButton::clicked, this, &MLPage3::Save);

    // Once, when the page is made: the output folder and the columns sized to their titles.
    outputDir_->setText(FileNameText(app_.jobs.DefaultOutputDir()));
    summary_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void MLPage3::initializePage()
{
    options_->setText(QString::fromStdString(FormatOptionSummary(app_.settings.options)));
    outputDir_->setText(FileNameText(app_.jobs.DefaultOutputDir()));
    model_->Reset();
    for (int column = 0; column < model_->columnCount(); ++column)
        summary_->resizeColumnToContents(column);
}

void MLPage3::Save()
{
    QtSettingsFile file(SettingsFilePath([](const char* name) { return std::getenv(name); }));
    app_.SaveDefaults(file);
}

} // namespace quillon
