#include <QTest>

#include "platform/DllVersion.h"
#include "tests/support/WidgetTestMain.h"

using namespace quillon;

// The start-up check asks for the version of the Qt Widgets library the program runs
// with; Qt exports no version function, so the answer comes from the library's file name.
class VersionQueryTest : public QObject
{
    Q_OBJECT

private slots:
    void qtWidgetsReportsTheRunningVersion()
    {
        std::uint32_t major = 0, minor = 0, build = 0;
        QVERIFY(QueryDllVersion("libQt6Widgets.so.6", major, minor, build));
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build), QString::fromLatin1(qVersion()));
    }
};

QUILLON_WIDGET_TEST_MAIN(VersionQueryTest)
#include "version_query_wtest.moc"
