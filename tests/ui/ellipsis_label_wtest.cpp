#include <QTest>

#include "tests/support/WidgetTestMain.h"
#include "ui/EllipsisLabel.h"

using namespace quillon;

namespace {

// A dialog-like parent with a plain dark background, holding one label.
struct Field
{
    QWidget parent;
    EllipsisLabel* label;

    explicit Field(bool pathEllipsis)
    {
        parent.resize(260, 40);
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, QColor(30, 40, 90));
        parent.setPalette(palette);
        QFont font = parent.font();
        font.setPointSize(9);
        parent.setFont(font);
        label = new EllipsisLabel(Qt::AlignLeft | Qt::AlignVCenter, pathEllipsis, &parent);
        label->setGeometry(10, 10, 200, 20);
    }

    QImage Shot()
    {
        QCoreApplication::processEvents();
        return parent.grab().toImage();
    }
};

const QString kLongPath = "/home/user/Music/Collections/Live Recordings/Disc 2/track.wav";

} // namespace

class EllipsisLabelTest : public QObject
{
    Q_OBJECT

private slots:
    void shortensInTheChosenPlace()
    {
        Field path(true);
        path.label->setText(kLongPath);
        QString shown = path.label->ShownText();
        QVERIFY2(shown.startsWith("/home/") && shown.contains("...") && shown.endsWith("/track.wav"),
                 qPrintable(shown));
        QVERIFY(path.label->fontMetrics().horizontalAdvance(shown) <= 200);

        Field end(false);
        end.label->setText(kLongPath);
        shown = end.label->ShownText();
        QVERIFY2(shown.startsWith("/home/user/") && shown.endsWith("...") && !shown.contains("track"),
                 qPrintable(shown));

        // pathEllipsis is a plain switch that takes effect at the next painting.
        end.label->pathEllipsis = true;
        QVERIFY(end.label->ShownText().endsWith("/track.wav"));

        for (bool mode : {true, false}) {
            Field shortField(mode);
            shortField.label->setText("/tmp/a.wav");
            QCOMPARE(shortField.label->ShownText(), QStringLiteral("/tmp/a.wav"));
        }
    }

    void drawsLightYellowWithTheParentsFont()
    {
        Field field(true);
        field.label->setText("/tmp/a.wav");
        QImage image = field.Shot();
        bool yellow = false;
        for (int y = 10; y < 30 && !yellow; ++y) {
            for (int x = 10; x < 210 && !yellow; ++x) {
                yellow = QColor(image.pixel(x, y)) == QColor(255, 255, 128);
            }
        }
        QVERIFY(yellow);
        QFont parentFont = field.parent.font();
        parentFont.setPointSize(30);
        field.parent.setFont(parentFont);
        field.label->setFont(QFont("DejaVu Sans", 6));
        // Measured in the parent's (now large) font, the short path no longer fits.
        QVERIFY(field.label->ShownText().contains("..."));
    }

    void shorterTextLeavesNoRemains()
    {
        Field changed(false);
        changed.parent.show();
        changed.label->setText(kLongPath);
        changed.Shot();
        changed.label->setText("/x");
        QImage after = changed.Shot();

        Field fresh(false);
        fresh.parent.show();
        fresh.label->setText("/x");
        QCOMPARE(after, fresh.Shot());
    }

    void emptyTextDrawsNothing()
    {
        Field withLabel(true);
        withLabel.label->setText(QString());
        QImage image = withLabel.Shot();
        withLabel.label->hide();
        QCOMPARE(image, withLabel.Shot());
    }
};

QUILLON_WIDGET_TEST_MAIN(EllipsisLabelTest)
#include "ellipsis_label_wtest.moc"
