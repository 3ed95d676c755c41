#pragma once

#include "batch/WizardRules.h"

#include <QDialog>
#include <memory>

class QButtonGroup;

namespace quillon {

namespace Ui {
class FileOptionsDialog;
}

// "File encoding options": the options of one job, or new defaults for every job that
// has none of its own. The caller gives the values and reads them back after exec().
class FileOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    // exec() results; "Set default" is the third way out.
    enum Result { Cancelled = QDialog::Rejected, Ok = QDialog::Accepted, SetDefault = 2 };

    explicit FileOptionsDialog(const EncodingOptions& options, QWidget* parent = nullptr);
    ~FileOptionsDialog() override;

    // The values as the user left them (after OK or "Set default").
    const EncodingOptions& Values() const { return options_; }

private:
    void Fill();
    void ReadBack(int result);

    EncodingOptions options_;
    std::vector<int> bitrates_;
    std::unique_ptr<Ui::FileOptionsDialog> ui_;
    // Each button carries the value it stands for as its id.
    QButtonGroup* layers_;
    QButtonGroup* modes_;
    QButtonGroup* qualities_;
    QButtonGroup* deEmphases_;
};

} // namespace quillon
