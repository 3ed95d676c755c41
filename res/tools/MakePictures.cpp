// Draws every picture of the program into the folder given on the command line:
// the background tiles, the splash disc, the application icon, the grab icons and the
// folder tree images. Run through res/make-pictures.sh; the results are committed.
#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString outputFolder;

bool Save(const QImage& image, const QString& name)
{
    QString path = outputFolder + "/" + name;
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// A seamless texture: sums of waves whose periods divide the tile size, so the right edge
// continues into the left one and the bottom into the top.
QImage Tile(int w, int h, QColor base, QColor light, QColor dark, int wavesX, int wavesY, double seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double u = 2 * M_PI * x / w;
            double v = 2 * M_PI * y / h;
            double t = 0.45 * std::sin(wavesX * u + seed) * std::cos(wavesY * v) +
                       0.30 * std::sin((wavesX + 1) * u + 2 * v + 2 * seed) +
                       0.25 * std::cos(3 * u - (wavesY + 2) * v + seed);
            // A fine woven grain on top of the waves.
            double grain = ((x * 7 + y * 13) % 5 - 2) * 0.03;
            t = std::clamp(t * 0.8 + grain, -1.0, 1.0);
            QColor target = t > 0 ? light : dark;
            double a = std::abs(t);
            int r = qRound(base.red() + (target.red() - base.red()) * a);
            int g = qRound(base.green() + (target.green() - base.green()) * a);
            int b = qRound(base.blue() + (target.blue() - base.blue()) * a);
            image.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return image;
}

struct Box
{
    std::vector<QRgb> colours;
};

// Median cut: splits the colour set along its widest channel until count boxes remain,
// and gives each box its mean colour.
QList<QRgb> MedianCut(std::vector<QRgb> colours, int count)
{
    std::vector<Box> boxes{{std::move(colours)}};
    auto range = [](const Box& box, int channel) {
        int lo = 255, hi = 0;
        for (QRgb c : box.colours) {
            int v = channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo;
    };
    while (static_cast<int>(boxes.size()) < count) {
        int best = -1, bestRange = 0, bestChannel = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            if (boxes[i].colours.size() < 2) {
                continue;
            }
            for (int ch = 0; ch < 3; ++ch) {
                int r = range(boxes[i], ch);
                if (r > bestRange) {
                    bestRange = r;
                    best = i;
                    bestChannel = ch;
                }
            }
        }
        if (best < 0) {
            break;
        }
        std::vector<QRgb>& c = boxes[best].colours;
        auto key = [bestChannel](QRgb v) {
            return bestChannel == 0 ? qRed(v) : bestChannel == 1 ? qGreen(v) : qBlue(v);
        };
        std::sort(c.begin(), c.end(), [&](QRgb a, QRgb b) { return key(a) < key(b); });
        Box upper{std::vector<QRgb>(c.begin() + c.size() / 2, c.end())};
        c.resize(c.size() / 2);
        boxes.push_back(std::move(upper));
    }
    QList<QRgb> palette;
    for (const Box& box : boxes) {
        long r = 0, g = 0, b = 0;
        for (QRgb c : box.colours) {
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
        }
        long n = std::max<long>(1, static_cast<long>(box.colours.size()));
        palette.push_back(qRgb(int(r / n), int(g / n), int(b / n)));
    }
    while (palette.size() < count) {
        palette.push_back(qRgb(0, 0, 0));
    }
    return palette;
}

constexpr int kSplashW = 460;
constexpr int kSplashH = 300;
constexpr double kCentreX = 230.0;
constexpr double kCentreY = 150.0;
constexpr double kDiscRadius = 147.0;
constexpr double kHoleRadius = 42.0;

bool InsideDisc(int x, int y)
{
    double dx = x + 0.5 - kCentreX;
    double dy = y + 0.5 - kCentreY;
    double d2 = dx * dx + dy * dy;
    return d2 <= kDiscRadius * kDiscRadius && d2 > kHoleRadius * kHoleRadius;
}

QImage SplashColours()
{
    QImage image(kSplashW, kSplashH, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPointF centre(kCentreX, kCentreY);

    // Silver base with a rainbow sheen turning around the centre.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 204, 214));
    p.drawEllipse(centre, kDiscRadius + 1, kDiscRadius + 1);
    QConicalGradient sheen(centre, 30);
    const QColor bands[] = {QColor(235, 238, 245), QColor(170, 200, 255), QColor(190, 255, 210), QColor(255, 250, 170),
                            QColor(255, 190, 200), QColor(215, 180, 255), QColor(235, 238, 245)};
    for (int i = 0; i < 7; ++i) {
        sheen.setColorAt(i / 6.0, bands[i]);
    }
    p.setBrush(sheen);
    p.setOpacity(0.85);
    p.drawEllipse(centre, kDiscRadius + 1, kDiscRadius + 1);
    p.setOpacity(1.0);

    // Fine grooves.
    for (double r = 58; r < kDiscRadius - 4; r += 3.0) {
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r, r);
    }
    // Outer rim and clear centre ring.
    p.setPen(QPen(QColor(120, 126, 140), 3));
    p.drawEllipse(centre, kDiscRadius - 1.5, kDiscRadius - 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(222, 228, 236));
    p.drawEllipse(centre, 58, 58);
    p.setPen(QPen(QColor(150, 156, 170), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 58, 58);
    p.drawEllipse(centre, kHoleRadius + 2, kHoleRadius + 2);

    // The product name across the disc, above the hole, and the version below it.
    QFont name("DejaVu Sans", 44, QFont::Black);
    name.setLetterSpacing(QFont::PercentageSpacing, 104);
    QPainterPath title;
    title.addText(0, 0, name, "Quillon");
    QRectF bounds = title.boundingRect();
    title.translate(kCentreX - bounds.center().x(), 78 - bounds.center().y());
    p.setPen(QPen(QColor(255, 255, 255), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(title);
    QLinearGradient ink(0, 55, 0, 100);
    ink.setColorAt(0, QColor(40, 40, 150));
    ink.setColorAt(1, QColor(140, 20, 60));
    p.setPen(QPen(QColor(20, 20, 70), 1.2));
    p.setBrush(ink);
    p.drawPath(title);

    QFont small("DejaVu Sans", 13, QFont::Bold);
    p.setFont(small);
    p.setPen(QColor(40, 40, 110));
    p.drawText(QRectF(0, 206, kSplashW, 22), Qt::AlignCenter, "Audio Converter");
    p.setFont(QFont("DejaVu Sans", 11, QFont::Bold));
    p.drawText(QRectF(0, 228, kSplashW, 20), Qt::AlignCenter, "Version 2.51");
    p.end();
    return image;
}

// The splash: 8 bits per pixel, index 0 (white) exactly where the window is cut away.
QImage Splash()
{
    QImage colours = SplashColours();
    std::vector<QRgb> used;
    for (int y = 0; y < kSplashH; ++y) {
        for (int x = 0; x < kSplashW; ++x) {
            if (InsideDisc(x, y)) {
                used.push_back(colours.pixel(x, y));
            }
        }
    }
    QList<QRgb> discPalette = MedianCut(used, 255);
    QImage mapped = colours.convertToFormat(QImage::Format_Indexed8, discPalette);
    QImage splash(kSplashW, kSplashH, QImage::Format_Indexed8);
    QList<QRgb> table{qRgb(255, 255, 255)};
    table.append(discPalette);
    splash.setColorTable(table);
    for (int y = 0; y < kSplashH; ++y) {
        uchar* row = splash.scanLine(y);
        const uchar* from = mapped.constScanLine(y);
        for (int x = 0; x < kSplashW; ++x) {
            row[x] = InsideDisc(x, y) ? static_cast<uchar>(from[x] + 1) : 0;
        }
    }
    return splash;
}

QImage Canvas(int size, QColor fill = Qt::transparent)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

void DrawDisc(QPainter& p, QPointF c, double r)
{
    QConicalGradient sheen(c, 30);
    sheen.setColorAt(0, QColor(230, 235, 245));
    sheen.setColorAt(0.25, QColor(160, 200, 255));
    sheen.setColorAt(0.5, QColor(255, 245, 160));
    sheen.setColorAt(0.75, QColor(255, 180, 200));
    sheen.setColorAt(1, QColor(230, 235, 245));
    p.setPen(QPen(QColor(90, 95, 110), std::max(1.0, r / 16)));
    p.setBrush(sheen);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::white);
    p.drawEllipse(c, r * 0.28, r * 0.28);
}

QImage AppIcon(int size)
{
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    double s = size / 64.0;
    DrawDisc(p, QPointF(28 * s, 34 * s), 25 * s);
    // A quill across the disc.
    QPainterPath feather;
    feather.moveTo(14 * s, 60 * s);
    feather.cubicTo(24 * s, 38 * s, 40 * s, 14 * s, 60 * s, 3 * s);
    feather.cubicTo(54 * s, 20 * s, 40 * s, 38 * s, 22 * s, 52 * s);
    feather.closeSubpath();
    QLinearGradient quill(14 * s, 60 * s, 60 * s, 3 * s);
    quill.setColorAt(0, QColor(120, 30, 40));
    quill.setColorAt(1, QColor(250, 240, 225));
    p.setPen(QPen(QColor(60, 20, 20), 1.2 * s));
    p.setBrush(quill);
    p.drawPath(feather);
    p.setPen(QPen(QColor(60, 20, 20), 1.5 * s));
    p.drawLine(QPointF(10 * s, 63 * s), QPointF(52 * s, 12 * s));
    return image;
}

QImage GrabIcon(bool hot)
{
    QImage image = Canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (hot) {
        QRadialGradient glow(QPointF(13, 16), 15);
        glow.setColorAt(0, QColor(255, 220, 80, 200));
        glow.setColorAt(1, QColor(255, 220, 80, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(13, 16), 15, 15);
    }
    DrawDisc(p, QPointF(13, 16), 11);
    // An arrow from the disc into a file.
    QColor arrow = hot ? QColor(220, 40, 20) : QColor(30, 110, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    QPolygonF head;
    head << QPointF(20, 10) << QPointF(31, 16) << QPointF(20, 22);
    p.drawRect(QRectF(14, 13.5, 7, 5));
    p.drawPolygon(head);
    return image;
}

QImage OkIcon()
{
    QImage image = Canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 120, 30), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick;
    tick << QPointF(5, 17) << QPointF(13, 25) << QPointF(27, 7);
    p.drawPolyline(tick);
    return image;
}

QImage CancelIcon()
{
    QImage image = Canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(190, 25, 25), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
    return image;
}

// Tree images: white is the transparent colour, as the image list expects.
QImage TreeImage(int index)
{
    QImage image = Canvas(16, Qt::white);
    QPainter p(&image);
    QPen outline(QColor(40, 40, 40));
    p.setPen(outline);
    switch (index) {
    case 0: // removable drive: a small stick
        p.setBrush(QColor(70, 120, 200));
        p.drawRect(2, 5, 10, 7);
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(12, 6, 3, 5);
        break;
    case 1: // hard disk: a flat box with a light
        p.setBrush(QColor(170, 170, 175));
        p.drawRect(1, 5, 14, 7);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 200, 30));
        p.drawRect(11, 9, 2, 2);
        break;
    case 2: // CD-ROM drive: a box with a disc slot and a disc
        p.setBrush(QColor(170, 170, 175));
        p.drawRect(1, 8, 14, 6);
        p.setBrush(QColor(210, 210, 250));
        p.drawEllipse(4, 1, 8, 8);
        p.setBrush(Qt::black);
        p.drawPoint(8, 5);
        break;
    case 3: // network drive: a box on a cable
        p.setBrush(QColor(170, 170, 175));
        p.drawRect(1, 2, 14, 7);
        p.drawLine(8, 9, 8, 14);
        p.drawLine(3, 14, 13, 14);
        break;
    case 4: // folder
        p.setBrush(QColor(240, 200, 70));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
        break;
    case 5: // document
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(3, 1, 10, 14);
        p.drawLine(5, 4, 11, 4);
        p.drawLine(5, 7, 11, 7);
        p.drawLine(5, 10, 11, 10);
        break;
    case 6: // computer
        p.setBrush(QColor(60, 90, 160));
        p.drawRect(1, 1, 14, 10);
        p.setBrush(QColor(170, 170, 175));
        p.drawRect(5, 12, 6, 3);
        break;
    default: break;
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon-make-pictures FOLDER\n");
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputFolder);

    bool ok = true;
    ok &=
        Save(Tile(64, 64, QColor(112, 120, 140), QColor(136, 144, 164), QColor(88, 94, 112), 2, 1, 0.3), "tile64.png");
    ok &= Save(Tile(128, 128, QColor(238, 226, 196), QColor(252, 246, 226), QColor(214, 196, 156), 2, 3, 1.1),
               "tile128.png");
    ok &= Save(Tile(100, 100, QColor(216, 222, 206), QColor(238, 242, 230), QColor(184, 192, 170), 1, 2, 2.0),
               "tile100.png");
    ok &=
        Save(Tile(239, 146, QColor(26, 34, 52), QColor(48, 62, 92), QColor(10, 14, 24), 3, 2, 0.7), "tile239x146.png");
    ok &= Save(Splash(), "splash.bmp");
    ok &= Save(AppIcon(64), "quillon.png");
    ok &= Save(GrabIcon(false), "grab.png");
    ok &= Save(GrabIcon(true), "grab-hot.png");
    ok &= Save(OkIcon(), "ok.png");
    ok &= Save(CancelIcon(), "cancel.png");
    // The application icon in the sizes of the desktop's hicolor theme, for installing.
    QDir().mkpath(outputFolder + "/hicolor");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        ok &= Save(AppIcon(size), QString("hicolor/quillon-%1.png").arg(size));
    }
    const char* treeNames[] = {"drive-removable.png", "drive-fixed.png", "drive-optical.png", "drive-network.png",
                               "folder.png",          "document.png",    "computer.png"};
    for (int i = 0; i < 7; ++i) {
        ok &= Save(TreeImage(i), treeNames[i]);
    }
    return ok ? 0 : 1;
}
