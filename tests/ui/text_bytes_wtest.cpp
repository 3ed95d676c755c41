#include <QTest>

#include "tests/support/WidgetTestMain.h"
#include "ui/TextBytes.h"

using namespace quillon;

// The windows' texts pass through one set of converters: names as the file system gives
// them, every other text as UTF-8, both ways and without loss for what the core holds.
class TextBytesTest : public QObject
{
    Q_OBJECT

private slots:
    void textsAndNamesKeepEveryCharacter()
    {
        struct Row
        {
            const char* what;
            std::string bytes;
            QString text;
        };
        const Row rows[] = {
            {"plain ASCII", "Track 01.wav", QStringLiteral("Track 01.wav")},
            {"Latin-1 letters", "Caf\xc3\xa9 \xc3\x96l", QString::fromUtf16(u"Café Öl")},
            {"Cyrillic", "\xd0\x94\xd0\xb5\xd0\xbb\xd1\x8c\xd1\x84\xd0\xb8\xd0\xbd", QString::fromUtf16(u"Дельфин")},
            {"outside the BMP", "\xf0\x9f\x8e\xb5", QString::fromUtf16(u"\U0001F3B5")},
            {"empty", "", QString()},
        };
        for (const Row& row : rows) {
            QCOMPARE(Utf8Text(row.bytes), row.text);
            QVERIFY2(Utf8Bytes(row.text) == row.bytes, row.what);
            QCOMPARE(FileNameText(row.bytes), row.text);
            QVERIFY2(FileNameBytes(row.text) == row.bytes, row.what);
        }
    }

    void bytesAfterANulAreKept()
    {
        const std::string bytes("a\0b", 3);
        QCOMPARE(Utf8Text(bytes).size(), 3);
        QVERIFY(Utf8Bytes(Utf8Text(bytes)) == bytes);
    }
};

QUILLON_WIDGET_TEST_MAIN(TextBytesTest)
#include "text_bytes_wtest.moc"
