#include "tests/support/BoxRobot.h"

#include <QAbstractButton>
#include <QApplication>

namespace quillon::testing_support {

namespace {

// Marks a box as answered: it stays on screen until its modal loop returns, and must not
// be answered twice.
constexpr const char* kAnswered = "quillonTestAnswered";

} // namespace

QMessageBox* ShownMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible() && !box->property(kAnswered).toBool())
            return box;
    }
    return nullptr;
}

BoxRobot::BoxRobot(QMessageBox::StandardButton answer) : answer_(answer)
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
}

void BoxRobot::Poll()
{
    while (QMessageBox* box = ShownMessageBox()) {
        box->setProperty(kAnswered, true);
        seen.append({box->windowTitle(), box->text(), box->icon()});
        if (onBox)
            onBox(box);
        QAbstractButton* button = box->button(answer_);
        if (button == nullptr)
            button = box->button(QMessageBox::Ok);
        // A box with neither button is closed, so that the test goes on and fails instead of waiting.
        if (button != nullptr)
            button->click();
        else
            box->reject();
    }
}

} // namespace quillon::testing_support
