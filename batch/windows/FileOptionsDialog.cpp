#include "batch/windows/FileOptionsDialog.h"

#include "batch/windows/WizardLook.h"
#include "res/Pictures.h"

#include "ui_FileOptionsDialog.h"

#include <QButtonGroup>

namespace quillon {

namespace {

// One group of radio buttons, each carrying the value it stands for.
QButtonGroup* ValueGroup(QWidget* owner, std::initializer_list<std::pair<QAbstractButton*, int>> items)
{
    auto* group = new QButtonGroup(owner);
    for (const auto& [button, value] : items)
        group->addButton(button, value);
    return group;
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
    : QDialog(parent), options_(options), ui_(std::make_unique<Ui::FileOptionsDialog>())
{
    ui_->setupUi(this);
    ApplyTiledLook(this, pictures::kTile128Path, kDarkRed);
    layers_ = ValueGroup(this, {{ui_->layer1, 1}, {ui_->layer2, 2}, {ui_->layer3, 3}});
    modes_ = ValueGroup(this, {{ui_->stereo, 1}, {ui_->jointStereo, 2}, {ui_->dualChannel, 3}, {ui_->mono, 0}});
    qualities_ = ValueGroup(this, {{ui_->highQuality, 1}, {ui_->turboSpeed, 0}});
    deEmphases_ = ValueGroup(this, {{ui_->deEmphasisNone, 0}, {ui_->deEmphasis5015, 1}, {ui_->deEmphasisCcitt, 2}});
    connect(ui_->ok, &QPushButton::clicked, this, [this] { ReadBack(Ok); });
    connect(ui_->setDefault, &QPushButton::clicked, this, [this] { ReadBack(SetDefault); });
    connect(ui_->cancel, &QPushButton::clicked, this, &QDialog::reject);
    Fill();
}

FileOptionsDialog::~FileOptionsDialog() = default;

void FileOptionsDialog::Fill()
{
    const OptionsDialogControls shown = FillOptionsDialog(options_);
    CheckValue(layers_, shown.layer);
    // The list is filled here only: choosing another layer later keeps these bitrates.
    bitrates_ = shown.bitrates;
    ui_->bitrate->clear();
    for (int rate : bitrates_)
        ui_->bitrate->addItem(QString::asprintf("%d", rate), rate);
    CheckValue(modes_, shown.mode);
    ui_->bitrate->setCurrentIndex(shown.bitrateItem);
    CheckValue(qualities_, shown.quality);
    ui_->copyright->setChecked(shown.copyright);
    ui_->original->setChecked(shown.original);
    ui_->protection->setChecked(shown.errorProtection);
    CheckValue(deEmphases_, shown.deEmphasis);
}

void FileOptionsDialog::ReadBack(int result)
{
    OptionsDialogControls controls;
    controls.quality = qualities_->checkedId();
    controls.layer = layers_->checkedId() < 0 ? 0 : layers_->checkedId();
    controls.mode = modes_->checkedId();
    controls.bitrates = bitrates_;
    controls.bitrateItem = ui_->bitrate->currentIndex();
    controls.copyright = ui_->copyright->isChecked();
    controls.original = ui_->original->isChecked();
    controls.errorProtection = ui_->protection->isChecked();
    controls.deEmphasis = deEmphases_->checkedId();
    options_ = ReadOptionsDialog(controls, options_);
    done(result);
}

} // namespace quillon
