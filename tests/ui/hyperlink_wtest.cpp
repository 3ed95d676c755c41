#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "tests/support/BoxRobot.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WidgetTestMain.h"
#include "ui/CHyperLink.h"

using namespace quillon;
using testing_support::BoxRobot;
using testing_support::TempFolder;

namespace {

// A link whose desktop open step is decided by the test; everything else is the real link.
class TestLink : public CHyperLink
{
public:
    using CHyperLink::CHyperLink;
    bool shellAnswer = true;
    QStringList opened;

protected:
    bool ShellOpen(const QString& target) override
    {
        opened << target;
        return shellAnswer;
    }
};

// Points the desktop's registered programs at a folder of the test.
class FakeDesktop
{
public:
    FakeDesktop()
    {
        folder_.MakeFolder("data/applications");
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            setenv(name, (folder_ / "data").c_str(), 1);
        }
    }
    void RegisterBrowser(const std::string& exec)
    {
        std::ofstream(folder_ / "data/applications/mimeapps.list")
            << "[Default Applications]\ntext/html=fake.desktop\n";
        std::ofstream(folder_ / "data/applications/fake.desktop") << "[Desktop Entry]\nExec=" << exec << "\n";
    }
    const TempFolder& Folder() const { return folder_; }

private:
    TempFolder folder_;
};

} // namespace

class HyperLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void attachTakesTextAndTargetFromEachOther()
    {
        TestLink fromText(QStringLiteral("www.norvane.example"));
        fromText.Attach();
        QCOMPARE(fromText.GetURL(), QStringLiteral("www.norvane.example"));
        QCOMPARE(fromText.toolTip(), QStringLiteral("www.norvane.example"));

        TestLink fromUrl;
        fromUrl.SetURL(QStringLiteral("https://norvane.example/x"));
        fromUrl.Attach();
        QCOMPARE(fromUrl.text(), QStringLiteral("https://norvane.example/x"));

        TestLink later(QStringLiteral("support@norvane.example"));
        later.Attach();
        later.SetURL(QStringLiteral("mailto:support@norvane.example"));
        QCOMPARE(later.text(), QStringLiteral("support@norvane.example"));
        QCOMPARE(later.toolTip(), QStringLiteral("mailto:support@norvane.example"));
        QVERIFY(later.font().underline());
        later.SetUnderline(false);
        QVERIFY(!later.font().underline());
        QCOMPARE(later.cursor().shape(), Qt::PointingHandCursor);
    }

    void hoverCapturesTheMouseUntilItLeaves()
    {
        QWidget window;
        window.resize(300, 80);
        auto* link = new TestLink(QStringLiteral("www.norvane.example"), &window);
        link->setGeometry(10, 10, 200, 20);
        link->Attach();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(link->CtlColor(), QColor(0, 0, 250));

        QTest::mouseMove(link, QPoint(3, 3));
        QTRY_VERIFY(link->IsOverLink());
        QCOMPARE(link->CtlColor(), link->GetHoverColour());
        QCOMPARE(QWidget::mouseGrabber(), link);

        QTest::mouseMove(link, QPoint(5, 4)); // still inside: nothing changes
        QVERIFY(link->IsOverLink());

        QTest::mouseMove(&window, QPoint(280, 70));
        QTRY_VERIFY(!link->IsOverLink());
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        QCOMPARE(link->CtlColor(), QColor(0, 0, 250));
    }

    void clickOpensTheTargetAndMarksVisited()
    {
        TestLink link(QStringLiteral("Product page"));
        link.resize(200, 20);
        link.Attach();
        link.SetURL(QStringLiteral("https://www.norvane.example/quillon/"));
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(link.opened, QStringList{QStringLiteral("https://www.norvane.example/quillon/")});
        QVERIFY(link.GetVisited());
        QCOMPARE(link.CtlColor(), QColor(85, 26, 139));
    }

    void failedOpenReportsAndForgetsVisited()
    {
        FakeDesktop desktop; // no browser registered
        TestLink link(QStringLiteral("x"));
        link.resize(100, 20);
        link.Attach();
        link.SetURL(QStringLiteral("https://www.norvane.example/"));
        link.SetVisited(true);
        link.shellAnswer = false;
        link.show();
        QTest::mouseMove(&link, QPoint(2, 2));
        QTRY_VERIFY(link.IsOverLink());
        QWidget* grabberDuringBox = &link;
        BoxRobot boxes;
        boxes.onBox = [&](QMessageBox*) { grabberDuringBox = QWidget::mouseGrabber(); };
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(boxes.seen.size(), 1);
        // The error box gets the mouse: the link released its capture before opening it.
        QCOMPARE(grabberDuringBox, nullptr);
        QVERIFY(!link.IsOverLink());
        QCOMPARE(boxes.Last().text, QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\n"
                                                   "with the given filename extension."));
        QVERIFY(!link.GetVisited());
    }

    void fallsBackToTheRegisteredBrowser()
    {
        FakeDesktop desktop;
        std::string script = desktop.Folder() / "browser.sh";
        std::string out = desktop.Folder() / "args.txt";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" << out << ".tmp'\nmv '"
                              << out << ".tmp' '" << out << "'\n";
        chmod(script.c_str(), 0755);
        desktop.RegisterBrowser(script + " \"%u\" --flag");

        TestLink link(QStringLiteral("x"));
        link.Attach();
        link.shellAnswer = false;
        const QString target = QStringLiteral("https://www.norvane.example/a b?x=1&y=2");
        QVERIFY(link.GotoURL(target) > 32);
        std::string args;
        for (int i = 0; i < 300 && args.empty(); ++i) {
            std::ifstream file(out);
            std::stringstream text;
            text << file.rdbuf();
            args = text.str();
            QTest::qWait(10);
        }
        // The part after the placeholder is dropped; the target is one word.
        QCOMPARE(QString::fromStdString(args), "[" + target + "]");

        desktop.RegisterBrowser(desktop.Folder() / "no-such-browser %u");
        QCOMPARE(link.GotoURL(target), 2);
    }

    void autoSizeKeepsTheAlignedEdge()
    {
        QWidget parent;
        auto* left = new TestLink(QStringLiteral("short"), &parent);
        left->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        left->setGeometry(10, 10, 200, 30);
        left->Attach();
        QSize text = QFontMetrics(left->font()).size(Qt::TextSingleLine, QStringLiteral("short"));
        QCOMPARE(left->geometry(), QRect(10, 10, text.width(), text.height()));

        auto* centred = new TestLink(QStringLiteral("short"), &parent);
        centred->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        centred->setGeometry(10, 50, 200, 30);
        centred->Attach();
        QVERIFY(qAbs(centred->geometry().center().x() - QRect(10, 50, 200, 30).center().x()) <= 1);

        auto* fixed = new TestLink(QStringLiteral("short"), &parent);
        fixed->SetAutoSize(false);
        fixed->setGeometry(10, 90, 200, 30);
        fixed->Attach();
        QCOMPARE(fixed->geometry(), QRect(10, 90, 200, 30));
    }

    void coloursAndHoverDefault()
    {
        TestLink link;
        link.SetColours(Qt::red, Qt::green, QColor());
        QCOMPARE(link.GetLinkColour(), QColor(Qt::red));
        QCOMPARE(link.GetVisitedColour(), QColor(Qt::green));
        QCOMPARE(link.GetHoverColour(), link.palette().color(QPalette::Highlight));
        link.SetLinkCursor(QCursor(Qt::CrossCursor));
        QCOMPARE(link.GetLinkCursor()->shape(), Qt::CrossCursor);
        link.SetLinkCursor(std::nullopt);
        QCOMPARE(link.GetLinkCursor()->shape(), Qt::PointingHandCursor);
    }
};

QUILLON_WIDGET_TEST_MAIN(HyperLinkTest)
#include "hyperlink_wtest.moc"
