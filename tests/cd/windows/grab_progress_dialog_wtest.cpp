#include "cd/windows/GrabProgressDialog.h"
#include "tests/support/WidgetTestMain.h"
#include "ui/PercentProgressBar.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace quillon;

class GrabProgressDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // The grab window as a screen reader and the keyboard meet it: each control by its
    // object name, heard before and after the grab gives it values, in its place top to
    // bottom, with Cancel the only stop of the keyboard.
    void ControlsKeepTheirNamesPlacesAndKeys()
    {
        QWidget owner;
        GrabProgressDialog window(&owner);
        window.Create();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        struct Row
        {
            const char* object;
            const char* type;
            const char* heardFirst;
            const char* heardWithValues;
        };
        const Row rows[] = {
            {"fileLine", "quillon::ValueLabel", "File: xx", "File: /music/Track01.wav"},
            {"grabbed", "quillon::ValueLabel", "Grabbed: ...", "Grabbed: 41 MBytes, 18360 Sectors."},
            {"speed", "quillon::ValueLabel", "Speed: .", "Speed: 7.4 X"},
            {"trackBar", "QProgressBar", "Current Track...", "Current Track..."},
            {"totalBar", "quillon::PercentProgressBar", "Total...", "Total..."},
            {"cancel", "QPushButton", "Cancel", "Cancel"},
        };
        const auto control = [&window](const char* name) { return window.findChild<QWidget*>(name); };
        for (const Row& row : rows) {
            QWidget* widget = control(row.object);
            QVERIFY2(widget != nullptr, row.object);
            QCOMPARE(widget->metaObject()->className(), row.type);
            QCOMPARE(widget->accessibleName(), QString::fromLatin1(row.heardFirst));
        }
        window.SetFileText("/music/Track01.wav");
        window.SetGrabbedText("41 MBytes, 18360 Sectors.");
        window.SetSpeedText(" 7.4 X");
        int above = -1;
        for (const Row& row : rows) {
            QWidget* widget = control(row.object);
            QCOMPARE(widget->accessibleName(), QString::fromLatin1(row.heardWithValues));
            QVERIFY2(widget->geometry().top() > above, row.object);
            above = widget->geometry().top();
        }

        // Each caption sits on its value's line, to its left.
        QList<QLabel*> captions;
        QStringList captionTexts;
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (qobject_cast<ValueLabel*>(label) == nullptr) {
                captions << label;
                captionTexts << label->text();
            }
        }
        QCOMPARE(captionTexts, QStringList({"Grabbed:", "Speed", "Current Track...", "Total..."}));
        for (int i : {0, 1}) {
            const QRect caption = captions[i]->geometry();
            const QRect value = control(rows[i + 1].object)->geometry();
            QCOMPARE(caption.center().y(), value.center().y());
            QVERIFY2(caption.right() < value.left(), rows[i + 1].object);
        }
        QVERIFY(qAbs(control("cancel")->geometry().center().x() - window.rect().center().x()) <= 1);

        QCOMPARE(window.windowTitle(), QStringLiteral("Reading RAW Audio..."));
        QVERIFY(!window.TrackBar()->isTextVisible());
        QVERIFY(window.TotalBar()->GetShowText());
        QStringList keyStops;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (widget->focusPolicy() & Qt::TabFocus)
                keyStops << widget->objectName();
        }
        QCOMPARE(keyStops, QStringList({"cancel"}));

        // A long path shows what fits instead of widening the window.
        const int width = window.sizeHint().width();
        window.SetFileText(std::string(400, 'x'));
        QCOMPARE(window.sizeHint().width(), width);
        window.Destroy();
    }
};

QUILLON_WIDGET_TEST_MAIN(GrabProgressDialogTest)
#include "grab_progress_dialog_wtest.moc"
