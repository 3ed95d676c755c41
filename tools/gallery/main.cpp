// Renders each control of ui/ into a folder as PNG pictures, for review and for the README.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "GrabberPictures.h"
#include "StatusGallery.h"
#include "res/Pictures.h"
#include "ui/AboutDialog.h"
#include "ui/CHyperLink.h"
#include "ui/EllipsisLabel.h"
#include "ui/FileListView.h"
#include "ui/FolderTree.h"
#include "ui/PercentProgressBar.h"
#include "ui/SplashWindow.h"

using namespace quillon;

int RenderWizard(const QString& outDir); // WizardShots.cpp

namespace {

QString outDir;
int failures = 0;

void Save(const QPixmap& picture, const QString& name)
{
    QString path = outDir + "/" + name;
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// A panel with a tiled background picture, as the windows that hold the controls have.
class TiledPanel : public QWidget
{
public:
    TiledPanel(const char* tilePath, QWidget* parent = nullptr) : QWidget(parent), tile_(QString::fromLatin1(tilePath))
    {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), tile_);
    }

private:
    QPixmap tile_;
};

void RenderBars()
{
    struct Case
    {
        const char* file;
        const char* caption;
        int lower, upper, pos;
    };
    const Case cases[] = {
        {"bar-0.png", "0 of 0 ... 100", 0, 100, 0},
        {"bar-33.png", "1 of 0 ... 3", 0, 3, 1},
        {"bar-50.png", "50000 of 0 ... 100000", 0, 100000, 50000},
        {"bar-100.png", "100 of 0 ... 100", 0, 100, 100},
        {"bar-beyond.png", "130 of 0 ... 100", 0, 100, 130},
    };
    TiledPanel sheet(pictures::kTile64Path);
    auto* layout = new QVBoxLayout(&sheet);
    for (const Case& c : cases) {
        PercentProgressBar single;
        single.resize(240, 20);
        single.SetShowText(true);
        single.SetRange(c.lower, c.upper);
        single.SetPos(c.pos);
        Save(single.grab(), QString::fromLatin1(c.file));

        auto* caption = new QLabel(QString::fromLatin1(c.caption), &sheet);
        layout->addWidget(caption);
        auto* bar = new PercentProgressBar(&sheet);
        bar->setFixedSize(300, 20);
        bar->SetShowText(true);
        bar->SetRange(c.lower, c.upper);
        bar->SetPos(c.pos);
        layout->addWidget(bar);
    }
    sheet.resize(sheet.sizeHint());
    Save(sheet.grab(), "progress-bars.png");
}

void RenderEllipsis()
{
    const QString longPath = "/home/listener/Music/Collections/Live Recordings 1998-2004/Disc 2/"
                             "07 - A rather long track title that will not fit.wav";
    TiledPanel panel(pictures::kTile64Path);
    auto* layout = new QVBoxLayout(&panel);
    struct Row
    {
        const char* caption;
        bool path;
        QString text;
    };
    const Row rows[] = {
        {"Path ellipsis (long path):", true, longPath},
        {"End ellipsis (long path):", false, longPath},
        {"Short path, both modes:", true, "/tmp/short.wav"},
    };
    for (const Row& row : rows) {
        auto* caption = new QLabel(QString::fromLatin1(row.caption), &panel);
        layout->addWidget(caption);
        auto* label = new EllipsisLabel(Qt::AlignLeft | Qt::AlignVCenter, row.path, &panel);
        label->setFixedSize(340, 20);
        label->setText(row.text);
        layout->addWidget(label);
    }
    panel.resize(panel.sizeHint());
    Save(panel.grab(), "ellipsis-label.png");
}

void MoveMouse(QWidget* widget, QPoint point)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), widget->mapToGlobal(QPointF(point)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void RenderLinks()
{
    QWidget panel;
    panel.resize(360, 96);
    const char* captions[] = {"Link:", "Hover:", "Visited:"};
    CHyperLink* links[3];
    for (int i = 0; i < 3; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(captions[i]), &panel);
        caption->setGeometry(12, 10 + 28 * i, 70, 20);
        links[i] = new CHyperLink(QStringLiteral("www.norvane.example/quillon"), &panel);
        links[i]->setGeometry(90, 10 + 28 * i, 250, 20);
        links[i]->Attach();
        links[i]->SetURL(QStringLiteral("https://www.norvane.example/quillon/"));
    }
    links[2]->SetVisited(true);
    panel.show();
    MoveMouse(links[1], QPoint(4, 4));
    Save(panel.grab(), "hyperlink.png");
    MoveMouse(links[1], QPoint(-50, -50));
}

void RenderSplash()
{
    QImage picture(QString::fromLatin1(pictures::kSplashPath));
    QRegion shape = SplashWindow::ShapeOf(picture);
    // The desktop behind the splash: a checker pattern shows what is cut away.
    QPixmap desktop(picture.width() + 40, picture.height() + 40);
    QPainter painter(&desktop);
    for (int y = 0; y < desktop.height(); y += 10) {
        for (int x = 0; x < desktop.width(); x += 10) {
            painter.fillRect(x, y, 10, 10, ((x + y) / 10) % 2 ? QColor(70, 110, 90) : QColor(50, 85, 70));
        }
    }
    painter.translate(20, 20);
    painter.setClipRegion(shape);
    painter.drawImage(0, 0, picture);
    painter.end();
    Save(desktop, "splash.png");
}

void RenderAbout()
{
    AboutDialog about;
    about.show();
    Save(about.grab(), "about.png");
}

// Sparse files: the sizes look real without writing the bytes.
void WriteFile(const QString& path, std::uintmax_t bytes)
{
    std::string name = QFile::encodeName(path).toStdString();
    std::ofstream(name, std::ios::binary).close();
    std::filesystem::resize_file(name, bytes);
}

// A small music folder made for the picture.
QString MakeDemoFolder()
{
    QString base = outDir + "/.gallery-folder";
    QDir(base).removeRecursively();
    QDir dir;
    const char* folders[] = {"Music/Albums/Quiet Nights",
                             "Music/Albums/Road Trip",
                             "Music/Singles",
                             "Music/A folder with a rather long name for a folder",
                             "Recordings/Interviews",
                             "Recordings/Rehearsals"};
    for (const char* folder : folders) {
        dir.mkpath(base + "/disk/" + folder);
    }
    dir.mkpath(base + "/cd/Audio");
    const char* files[] = {
        "01 - Opening.wav", "02 - Harbour Lights.wav", "03 - Night Train.wav", "04 - Coda.wav", "notes.txt",
        "cover.jpg"};
    const std::uintmax_t sizes[] = {41'263'148, 38'102'444, 52'920'044, 1023, 2'048, 184'320};
    for (int i = 0; i < 6; ++i) {
        WriteFile(base + "/disk/Music/Albums/Quiet Nights/" + files[i], sizes[i]);
    }
    return base;
}

void RenderFolderTree()
{
    QString base = MakeDemoFolder();
    QWidget window;
    window.resize(860, 300);
    auto* layout = new QHBoxLayout(&window);
    auto* tree = new FolderTree(&window);
    auto* list = new FileListView(&window);
    list->Model()->SetSortAscending(true);
    layout->addWidget(tree, 1);
    layout->addWidget(list, 1);
    std::string disk = QFile::encodeName(base + "/disk/").toStdString();
    std::string cd = QFile::encodeName(base + "/cd/").toStdString();
    tree->SetDriveSource([disk, cd] {
        return std::vector<DriveInfo>{{disk, "MUSIC", DriveType::Fixed, ""}, {cd, "AUDIO_CD", DriveType::Optical, ""}};
    });
    tree->fileList = list;
    tree->mask = "*.wav";
    tree->FillDrives();
    window.show();

    QTreeWidgetItem* drive = tree->DriveNode(disk);
    tree->expandItem(drive);
    QTreeWidgetItem* music = FolderTree::ChildNamed(drive, "Music");
    tree->expandItem(music);
    QTreeWidgetItem* albums = FolderTree::ChildNamed(music, "Albums");
    tree->expandItem(albums);
    QTreeWidgetItem* quiet = FolderTree::ChildNamed(albums, "Quiet Nights");
    QEventLoop wait;
    QObject::connect(tree, &FolderTree::ListingFinished, &wait, &QEventLoop::quit);
    QTimer::singleShot(5000, &wait, &QEventLoop::quit);
    tree->setCurrentItem(quiet);
    wait.exec();
    Save(window.grab(), "folder-tree.png");
    QDir(base).removeRecursively();
}

void RenderPictures()
{
    const char* paths[] = {pictures::kTile64Path,      pictures::kTile128Path, pictures::kTile100Path,
                           pictures::kTile239x146Path, pictures::kAppIconPath, pictures::kGrabIconPath,
                           pictures::kGrabHotIconPath, pictures::kOkIconPath,  pictures::kCancelIconPath};
    QPixmap sheet(980, 170);
    sheet.fill(QColor(236, 236, 236));
    QPainter painter(&sheet);
    int x = 10;
    for (const char* path : paths) {
        QPixmap picture(QString::fromLatin1(path));
        painter.drawPixmap(x, 10, picture);
        x += picture.width() + 10;
    }
    for (int i = 0; i < 7; ++i) {
        painter.drawPixmap(x + (i % 4) * 22, 10 + (i / 4) * 22,
                           QPixmap(QString::fromLatin1(pictures::kTreeImagePaths[i])));
    }
    painter.end();
    Save(sheet, "pictures.png");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon-gallery DIR\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    RenderBars();
    RenderEllipsis();
    RenderLinks();
    RenderSplash();
    RenderAbout();
    RenderFolderTree();
    RenderPictures();
    failures += RenderWizard(outDir);
    RenderGrabberWindows(Save);
    failures += RenderStatusWindow(outDir) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
