#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>

namespace quillon::testing_support {

// Answers every message box that shows while it lives and keeps what each box said. It
// polls from the event loop, which also runs inside a box's own modal loop, so the code
// under test may open its boxes with exec(). A box is answered with `answer`, or OK when
// it has no such button.
class BoxRobot
{
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    explicit BoxRobot(QMessageBox::StandardButton answer = QMessageBox::Ok);
    BoxRobot(const BoxRobot&) = delete;
    BoxRobot& operator=(const BoxRobot&) = delete;

    // The button the boxes from now on are answered with.
    void AnswerWith(QMessageBox::StandardButton answer) { answer_ = answer; }
    // The last box answered; all empty when none was.
    Seen Last() const { return seen.isEmpty() ? Seen{} : seen.last(); }

    QList<Seen> seen;
    // Runs when a box is found, before it is answered.
    std::function<void(QMessageBox*)> onBox;

private:
    void Poll();

    QMessageBox::StandardButton answer_;
    QTimer timer_;
};

// The first message box on screen that no robot has answered, if there is one.
QMessageBox* ShownMessageBox();

} // namespace quillon::testing_support
