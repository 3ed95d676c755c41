#pragma once

#include "batch/windows/TrackPicker.h"

#include <QWizard>

namespace quillon {

class MLPage1;
class MLPage3;
struct QuillonApp;

// The wizard: the input and output page, then the finish page. exec() is Accepted after
// Finish and Rejected after Cancel.
class MLSheet : public QWizard
{
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Wizard";

    MLSheet(QuillonApp& app, TrackPicker picker, QWidget* parent = nullptr);

    MLPage1* Page1() const { return page1_; }
    MLPage3* Page3() const { return page3_; }

    // Next from page 1 passes here first: it is refused while there is no real default
    // output folder or while two jobs would write one file.
    bool validateCurrentPage() override;

private:
    QuillonApp& app_;
    MLPage1* page1_;
    MLPage3* page3_;
    int page1Id_;
};

} // namespace quillon
