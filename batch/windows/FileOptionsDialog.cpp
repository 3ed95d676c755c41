#include "batch/windows/FileOptionsDialog.h"

#include "batch/windows/WizardLook.h"
#include "res/Pictures.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

// A column of radio buttons, one group, each button carrying the value it stands for.
QButtonGroup* RadioColumn(QWidget* owner, QVBoxLayout* column, std::initializer_list<std::pair<const char*, int>> items)
{
    auto* group = new QButtonGroup(owner);
    for (const auto& [label, value] : items) {
        auto* button = new QRadioButton(QString::fromLatin1(label), owner);
        NameFromLabel(button, button->text());
        group->addButton(button, value);
        column->addWidget(button);
    }
    return group;
}

QLabel* Label(QWidget* owner, const char* text)
{
    return new QLabel(QString::fromLatin1(text), owner);
}

QCheckBox* CheckBox(QWidget* owner, const char* text)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), owner);
    NameFromLabel(box, box->text());
    return box;
}

// Checks the group's button of `value`, or none (a group whose buttons are exclusive
// cannot be emptied while exclusive).
void CheckValue(QButtonGroup* group, int value)
{
    group->setExclusive(false);
    for (auto* button : group->buttons())
        button->setChecked(group->id(button) == value);
    group->setExclusive(true);
}

} // namespace

FileOptionsDialog::FileOptionsDialog(const EncodingOptions& options, QWidget* parent)
    : QDialog(parent), options_(options)
{
    setWindowTitle(QStringLiteral("File encoding options"));
    ApplyTiledLook(this, pictures::kTile128Path, kDarkRed);

    auto* layerColumn = new QVBoxLayout;
    layerColumn->addWidget(Label(this, "Method:"));
    layers_ = RadioColumn(this, layerColumn, {{"Layer &1", 1}, {"Layer &2", 2}, {"Layer &3", 3}});
    layerColumn->addStretch();

    auto* modeColumn = new QVBoxLayout;
    modeColumn->addWidget(Label(this, "Mode:"));
    modes_ = RadioColumn(this, modeColumn, {{"&Stereo", 1}, {"&Joint Stereo", 2}, {"&Dual Channel", 3}, {"&Mono", 0}});
    modeColumn->addStretch();

    auto* bitrateRow = new QHBoxLayout;
    auto* bitrateLabel = Label(this, "Total BitRate:");
    bitrate_ = new QComboBox(this);
    bitrate_->setEditable(false);
    NameFromLabel(bitrate_, bitrateLabel->text());
    bitrateRow->addWidget(bitrateLabel);
    bitrateRow->addWidget(bitrate_);
    bitrateRow->addWidget(Label(this, "Kbps"));
    bitrateRow->addStretch();

    auto* qualityColumn = new QVBoxLayout;
    qualities_ = RadioColumn(this, qualityColumn, {{"&High Quality", 1}, {"&Turbo Speed", 0}});

    auto* flagColumn = new QVBoxLayout;
    copyright_ = CheckBox(this, "Material is &copyrighted");
    original_ = CheckBox(this, "Material is &original");
    protection_ = CheckBox(this, "Add error &protection");
    flagColumn->addWidget(copyright_);
    flagColumn->addWidget(original_);
    flagColumn->addWidget(protection_);

    auto* deEmphasisColumn = new QVBoxLayout;
    deEmphasisColumn->addWidget(Label(this, "Decoder deemphasis"));
    deEmphases_ = RadioColumn(this, deEmphasisColumn, {{"None", 0}, {"0/15 us", 1}, {"CITT j.17", 2}});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* setDefault = new QPushButton(QStringLiteral("Set default"), this);
    ok->setDefault(true);
    ok->setToolTip(QStringLiteral("Sets current encoding options to current file only"));
    setDefault->setToolTip(QStringLiteral("Sets current encoding options as default."));
    for (auto* button : {ok, cancel, setDefault})
        NameFromLabel(button, button->text());
    connect(ok, &QPushButton::clicked, this, [this] { ReadBack(Ok); });
    connect(setDefault, &QPushButton::clicked, this, [this] { ReadBack(SetDefault); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addLayout(layerColumn, 0, 0);
    grid->addLayout(modeColumn, 0, 1);
    grid->addLayout(bitrateRow, 1, 0, 1, 2);
    grid->addLayout(qualityColumn, 2, 0);
    grid->addLayout(flagColumn, 2, 1);
    grid->addLayout(deEmphasisColumn, 3, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(setDefault);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);

    // Keyboard order follows the controls as listed for the dialog.
    QList<QWidget*> order;
    for (auto* group : {layers_, modes_})
        for (auto* button : group->buttons())
            order << button;
    order << bitrate_;
    for (auto* button : qualities_->buttons())
        order << button;
    order << copyright_ << original_ << protection_;
    for (auto* button : deEmphases_->buttons())
        order << button;
    order << ok << cancel << setDefault;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    Fill();
}

void FileOptionsDialog::Fill()
{
    const OptionsDialogControls shown = FillOptionsDialog(options_);
    CheckValue(layers_, shown.layer);
    // The list is filled here only: choosing another layer later keeps these bitrates.
    bitrates_ = shown.bitrates;
    bitrate_->clear();
    for (int rate : bitrates_)
        bitrate_->addItem(QString::asprintf("%d", rate), rate);
    CheckValue(modes_, shown.mode);
    bitrate_->setCurrentIndex(shown.bitrateItem);
    CheckValue(qualities_, shown.quality);
    copyright_->setChecked(shown.copyright);
    original_->setChecked(shown.original);
    protection_->setChecked(shown.errorProtection);
    CheckValue(deEmphases_, shown.deEmphasis);
}

void FileOptionsDialog::ReadBack(int result)
{
    OptionsDialogControls controls;
    controls.quality = qualities_->checkedId();
    controls.layer = layers_->checkedId() < 0 ? 0 : layers_->checkedId();
    controls.mode = modes_->checkedId();
    controls.bitrates = bitrates_;
    controls.bitrateItem = bitrate_->currentIndex();
    controls.copyright = copyright_->isChecked();
    controls.original = original_->isChecked();
    controls.errorProtection = protection_->isChecked();
    controls.deEmphasis = deEmphases_->checkedId();
    options_ = ReadOptionsDialog(controls, options_);
    done(result);
}

} // namespace quillon
