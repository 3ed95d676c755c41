#include <QFileDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <set>

#include "tests/support/TempFolder.h"
#include "tests/support/WidgetTestMain.h"
#include "ui/FolderBrowser.h"
#include "ui/FolderTree.h"

using namespace quillon;
using testing_support::TempFolder;

namespace {

const std::string kLongName(120, 'L');
const std::string kOddName = "\xff\xfe-not-utf8";

// A tree over two "drives" made in a temporary folder, with its file list.
struct Fixture
{
    TempFolder folder;
    FileListView list;
    FolderTree tree;
    std::string disk;
    std::string card;

    Fixture()
    {
        folder.MakeFolder("disk/Music/Albums/Quiet");
        folder.MakeFolder("disk/Music/singles");
        folder.MakeFolder("disk/empty");
        folder.MakeFolder("disk/.hidden");
        folder.MakeFolder("disk/Music/" + kLongName + "/" + kLongName + "/" + kOddName);
        folder.MakeFile("disk/Music/a.wav", 1023);
        folder.MakeFile("disk/Music/B.WAV", 1048576);
        folder.MakeFile("disk/Music/c.mp3", 4096);
        folder.MakeFile("disk/Music/notes.txt", 10);
        folder.MakeFile("disk/Music/" + kLongName + "/" + kLongName + "/" + kOddName + "/deep.wav", 2048);
        folder.MakeFolder("card");
        disk = folder / "disk/";
        card = folder / "card/";
        std::string d = disk, c = card;
        tree.SetDriveSource([d, c] {
            return std::vector<DriveInfo>{{d, "MUSIC", DriveType::Fixed, ""}, {c, "", DriveType::Removable, ""}};
        });
        tree.fileList = &list;
        tree.mask = "*.wav";
        tree.FillDrives();
    }

    QTreeWidgetItem* Node(std::initializer_list<std::string> names)
    {
        QTreeWidgetItem* node = tree.DriveNode(disk);
        for (const std::string& name : names) {
            tree.expandItem(node);
            node = FolderTree::ChildNamed(node, name);
            if (node == nullptr) {
                return nullptr;
            }
        }
        return node;
    }

    bool Select(QTreeWidgetItem* node)
    {
        QSignalSpy finished(&tree, &FolderTree::ListingFinished);
        tree.setCurrentItem(node);
        return finished.wait(5000);
    }

    std::set<std::string> ListedNames()
    {
        std::set<std::string> names;
        for (int row = 0; row < list.ItemCount(); ++row) {
            names.insert(list.FileName(row));
        }
        return names;
    }
};

std::vector<std::string> ChildNames(QTreeWidgetItem* node)
{
    std::vector<std::string> names;
    for (int i = 0; i < node->childCount(); ++i) {
        names.push_back(FolderTree::NodeName(node->child(i)));
    }
    return names;
}

} // namespace

class FolderTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void fillDrivesBuildsTopDrivesAndColumns()
    {
        Fixture f;
        QTreeWidgetItem* top = f.tree.TopNode();
        QCOMPARE(top->text(0), QStringLiteral("/"));
        QVERIFY(top->isExpanded());
        QCOMPARE(top->childCount(), 2);
        QCOMPARE(top->child(0)->text(0), QString::fromStdString(f.disk + " [ MUSIC ]"));
        QCOMPARE(top->child(1)->text(0), QString::fromStdString(f.card + " [  ]"));
        // First level of folders, sorted without regard to case, hidden ones left out.
        QCOMPARE(ChildNames(top->child(0)), (std::vector<std::string>{"empty", "Music"}));
        QCOMPARE(top->child(1)->childCount(), 0);
        QCOMPARE(f.list.Model()->columnCount(), 3);
        QStringList headers;
        for (int c = 0; c < 3; ++c) {
            headers << f.list.Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        }
        QCOMPARE(headers, (QStringList{"File name", "Size", "Date"}));
        QVERIFY(f.tree.currentFolder.empty());
        QCOMPARE(f.tree.GetItemPath(top->child(0)), f.disk);
    }

    void refreshBeforeAnySelectionOnlyEmpties()
    {
        Fixture f;
        f.tree.RefreshFiles(f.disk + "Music/");
        QVERIFY(f.tree.currentFolder.empty());
        QCOMPARE(f.list.ItemCount(), 0);
        QVERIFY(!f.tree.IsListing());
    }

    void showFilesListsTheMatchingFiles()
    {
        Fixture f;
        QVERIFY(f.Select(f.Node({"Music"})));
        QCOMPARE(f.tree.currentFolder, f.disk + "Music/");
        QCOMPARE(f.ListedNames(), (std::set<std::string>{"a.wav", "B.WAV"}));
        for (int row = 0; row < f.list.ItemCount(); ++row) {
            QString size = f.list.ItemText(row, 1);
            QCOMPARE(size, f.list.FileName(row) == "a.wav" ? QStringLiteral("0K") : QStringLiteral("1024K"));
            QVERIFY(!f.list.ItemText(row, 2).isEmpty());
        }

        f.tree.mask = "*.mp?";
        QSignalSpy finished(&f.tree, &FolderTree::ListingFinished);
        f.tree.RefreshFiles(f.tree.currentFolder);
        QVERIFY(finished.wait(5000));
        QCOMPARE(f.ListedNames(), (std::set<std::string>{"c.mp3"}));
    }

    void emptyMaskListsEverything()
    {
        Fixture f;
        f.tree.mask.clear();
        QVERIFY(f.Select(f.Node({"Music"})));
        QCOMPARE(f.tree.mask, std::string("*.*"));
        QCOMPARE(f.ListedNames(), (std::set<std::string>{"a.wav", "B.WAV", "c.mp3", "notes.txt"}));
    }

    void topNodeListsNothing()
    {
        Fixture f;
        QVERIFY(f.Select(f.Node({"Music"})));
        f.tree.setCurrentItem(f.tree.TopNode());
        QCOMPARE(f.list.ItemCount(), 0);
        QVERIFY(f.tree.currentFolder.empty());
    }

    void reopeningKeepsEveryFolderOnce()
    {
        Fixture f;
        QTreeWidgetItem* drive = f.tree.DriveNode(f.disk);
        for (int round = 0; round < 3; ++round) {
            f.tree.expandItem(drive);
            QTreeWidgetItem* music = FolderTree::ChildNamed(drive, "Music");
            QVERIFY(music);
            QCOMPARE(ChildNames(music), (std::vector<std::string>{"Albums", kLongName, "singles"}));
            f.tree.expandItem(music);
            QCOMPARE(ChildNames(FolderTree::ChildNamed(music, "Albums")), (std::vector<std::string>{"Quiet"}));
            f.tree.collapseItem(drive);
            QCOMPARE(music->childCount(), 0);
        }
    }

    void longAndOddNamesKeepExactPaths()
    {
        Fixture f;
        QTreeWidgetItem* odd = f.Node({"Music", kLongName, kLongName, kOddName});
        QVERIFY(odd);
        std::string expected = f.disk + "Music/" + kLongName + "/" + kLongName + "/" + kOddName + "/";
        QVERIFY(expected.size() > 250);
        QCOMPARE(f.tree.GetItemPath(odd), expected);
        QVERIFY(f.Select(odd));
        QCOMPARE(f.ListedNames(), (std::set<std::string>{"deep.wav"}));
    }

    void onlyTheLatestListingReachesTheList()
    {
        Fixture f;
        for (int i = 0; i < 3000; ++i) {
            f.folder.MakeFile("disk/empty/many" + std::to_string(i) + ".wav");
        }
        f.tree.setCurrentItem(f.Node({"empty"}));
        QVERIFY(f.Select(f.Node({"Music"})));
        QTest::qWait(100);
        QCOMPARE(f.ListedNames(), (std::set<std::string>{"a.wav", "B.WAV"}));
    }

    void sortedListKeepsSelectionWhileRowsArrive()
    {
        FileListView list;
        list.Model()->InsertColumn("File name");
        list.Model()->SetSortAscending(true);
        list.Model()->AppendRows({{"m.wav", "1K", ""}, {"C.wav", "1K", ""}});
        list.selectRow(1); // m.wav
        list.Model()->AppendRows({{"a.wav", "1K", ""}, {"z.wav", "1K", ""}, {"b.WAV", "1K", ""}});
        std::vector<std::string> names;
        for (int row = 0; row < list.ItemCount(); ++row) {
            names.push_back(list.FileName(row));
        }
        QCOMPARE(names, (std::vector<std::string>{"a.wav", "b.WAV", "C.wav", "m.wav", "z.wav"}));
        QCOMPARE(list.SelectedNames(), (std::vector<std::string>{"m.wav"}));
    }

    void browseReturnsTheChosenFolderOrFalse()
    {
        TempFolder folder;
        folder.MakeFolder("Output Folder");
        FolderBrowser browser;
        browser.path = "kept";
        QString title;
        auto answer = [&](bool accept, const QString& directory) {
            QTimer::singleShot(50, [&, accept, directory] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                title = dialog->windowTitle();
                if (accept) {
                    dialog->setDirectory(directory);
                    static_cast<QDialog*>(dialog)->accept();
                } else {
                    dialog->reject();
                }
            });
        };
        answer(false, {});
        QVERIFY(!browser.Browse());
        QCOMPARE(browser.path, std::string("kept"));
        QCOMPARE(title, QStringLiteral("Open"));

        browser.title = "Choose the output folder";
        answer(true, QString::fromStdString(folder / "Output Folder"));
        QVERIFY(browser.Browse());
        QCOMPARE(browser.path, folder / "Output Folder");
        QCOMPARE(title, QStringLiteral("Choose the output folder"));
    }
};

QUILLON_WIDGET_TEST_MAIN(FolderTreeTest)
#include "folder_tree_wtest.moc"
