#include "batch/windows/MLSheet.h"

#include "ui/TextBytes.h"

#include "app/QuillonApp.h"
#include "batch/WizardRules.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLPage3.h"
#include "batch/windows/WizardLook.h"
#include "res/Pictures.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace quillon {

MLSheet::MLSheet(QuillonApp& app, TrackPicker picker, QWidget* parent) : QWizard(parent), app_(app)
{
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setWindowTitle(QString::fromLatin1(kCaption));
    ApplyTiledLook(this, pictures::kTile64Path, Qt::black);
    page1_ = new MLPage1(app, std::move(picker), this);
    page3_ = new MLPage3(app, this);
    page1Id_ = addPage(page1_);
    addPage(page3_);
    for (auto which : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton, QWizard::CancelButton}) {
        QAbstractButton* b = button(which);
        QString name = b->text();
        name.remove(QLatin1Char('&'));
        b->setAccessibleName(name.remove(QLatin1Char('<')).remove(QLatin1Char('>')).trimmed());
    }
    // The window's title is the current page's.
    connect(this, &QWizard::currentIdChanged, this, [this](int id) {
        if (id == page1Id_)
            setWindowTitle(QString::fromLatin1(MLPage1::kTitle));
        else if (id >= 0)
            setWindowTitle(QString::fromLatin1(MLPage3::kTitle));
    });
    resize(820, 640);
}

bool MLSheet::validateCurrentPage()
{
    if (currentId() == page1Id_) {
        const std::string refusal = LeavePage1Refusal(app_.jobs);
        if (!refusal.empty()) {
            QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kErrorCaption.data(), kErrorCaption.size()),
                            FileNameText(refusal), QMessageBox::Ok, this);
            box.exec();
            return false;
        }
    }
    return QWizard::validateCurrentPage();
}

} // namespace quillon
