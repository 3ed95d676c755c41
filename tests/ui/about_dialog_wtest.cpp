#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/support/WidgetTestMain.h"
#include "ui/AboutDialog.h"
#include "ui/CHyperLink.h"

using namespace quillon;

class AboutDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void showsNameVersionAndThreeLinks()
    {
        AboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Quillon..."));
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            texts << label->text();
        }
        for (const char* expected :
             {"Quillon, Version 2.51", "Technical Support:", "Quillon page", "Norvane Home Page:"}) {
            QVERIFY2(texts.contains(QString::fromLatin1(expected)), expected);
        }
        struct Row
        {
            CHyperLink* link;
            QString shown;
            QString target;
        };
        const Row rows[] = {
            {about.MailLink(), "support@norvane.example", "mailto:support@norvane.example"},
            {about.ProductLink(), "www.norvane.example/quillon", "https://www.norvane.example/quillon/"},
            {about.MakerLink(), "www.norvane.example", "https://www.norvane.example/"},
        };
        for (const Row& row : rows) {
            QVERIFY(row.link->IsAttached());
            QCOMPARE(row.link->text(), row.shown);
            QCOMPARE(row.link->GetURL(), row.target);
            QCOMPARE(row.link->toolTip(), row.target);
            QVERIFY(row.link->GetUnderline());
            QVERIFY(!row.link->GetVisited());
            QVERIFY(row.link->GetURL().contains(".example")); // a domain reserved for examples
        }
    }

    void okAndEscapeClose()
    {
        AboutDialog ok;
        QTimer::singleShot(0, ok.OkButton(), &QPushButton::click);
        QCOMPARE(ok.exec(), int(QDialog::Accepted));

        AboutDialog escape;
        QTimer::singleShot(0, &escape, [&escape] { QTest::keyClick(&escape, Qt::Key_Escape); });
        QCOMPARE(escape.exec(), int(QDialog::Rejected));
    }

    void windowMenuItemOpensTheBox()
    {
        QWidget window;
        InstallAboutMenu(&window);
        QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(window.actions().size(), 1);
        QAction* item = window.actions().first();
        QCOMPARE(item->text(), QStringLiteral("&About Quillon..."));
        bool seen = false;
        QTimer::singleShot(0, [&seen] {
            if (auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget())) {
                seen = true;
                about->OkButton()->click();
            }
        });
        item->trigger();
        QVERIFY(seen);
    }
};

QUILLON_WIDGET_TEST_MAIN(AboutDialogTest)
#include "about_dialog_wtest.moc"
