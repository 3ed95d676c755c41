#pragma once

// A wizard over a folder of generated WAV and MPEG files, and the moves a user makes in it.

#include "app/QuillonApp.h"
#include "batch/windows/MLPage1.h"
#include "batch/windows/MLSheet.h"
#include "formats/WavHeader.h"
#include "tests/support/BoxRobot.h"
#include "tests/support/TempFolder.h"
#include "ui/FileListView.h"
#include "ui/FolderTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>

namespace quillon::testing_support {

inline void WriteWav(const std::string& path, size_t sampleBytes)
{
    uint8_t header[kWavHeaderSize];
    BuildWavHeader(header, kWavHeaderSize + sampleBytes, 2, 44100);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), kWavHeaderSize);
    out << std::string(sampleBytes, '\0');
}

// The first widget of type W under `root` whose accessible name is `name`.
template <typename W>
W* Named(QWidget* root, const QString& name)
{
    for (W* widget : root->findChildren<W*>()) {
        if (widget->accessibleName() == name)
            return widget;
    }
    return nullptr;
}

// Runs `act` on the next modal window (a message box, a dialog) once it is shown.
inline void WhenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            const QPointer<QWidget> window(modal);
            act(modal);
            // A check that failed inside `act` must not leave the window waiting forever.
            if (auto* dialog = qobject_cast<QDialog*>(window.data()); dialog != nullptr && dialog->isVisible())
                dialog->reject();
        }
    });
    timer->start(20);
}

// A wizard as the status window shows it, over `folder` as its only drive.
class WizardUnderTest
{
public:
    explicit WizardUnderTest(const TempFolder& folder, TrackPicker picker = {})
        : app([](const char* name) { return std::getenv(name); })
    {
        app.splashPending = false;
        app.jobs.SetDefaultOutputDirText(folder.Path() + "/out/");
        sheet = std::make_unique<MLSheet>(app, std::move(picker));
        const std::string root = folder.Path() + "/";
        tree()->SetDriveSource([root] { return std::vector<DriveInfo>{{root, "TEST", DriveType::Fixed, ""}}; });
        sheet->show();
        sheet->activateWindow();
        exposed = QTest::qWaitForWindowExposed(sheet.get()) && QTest::qWaitForWindowActive(sheet.get());
    }

    FolderTree* tree() const { return sheet->Page1()->Tree(); }
    FileListView* sources() const { return sheet->findChild<FileListView*>(); }
    QTableView* jobs() const { return Named<QTableView>(sheet->Page1(), "Selected files"); }
    QAbstractButton* button(const char* name) const { return Named<QAbstractButton>(sheet.get(), name); }
    QLineEdit* edit(const char* name) const { return Named<QLineEdit>(sheet.get(), name); }

    // Opens the drive's folder `sub` (empty: the drive itself) and waits for its files.
    bool OpenFolder(const std::string& sub = {})
    {
        QTreeWidgetItem* node = tree()->TopNode()->child(0);
        if (!sub.empty()) {
            tree()->expandItem(node);
            node = FolderTree::ChildNamed(node, sub);
        }
        if (node == nullptr)
            return false;
        QSignalSpy listed(tree(), &FolderTree::ListingFinished);
        tree()->setCurrentItem(node);
        return listed.wait(5000) || listed.count() > 0;
    }

    // Clicks the first source row and shift-clicks row `last`, then presses Add.
    void AddSourceRows(int first, int last)
    {
        auto* list = sources();
        const auto at = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at(first));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(last));
        QTest::mouseClick(button("Add File(s)"), Qt::LeftButton);
    }

    void ClickRow(int row)
    {
        auto* view = jobs();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->visualRect(view->model()->index(row, 0)).center());
    }

    QString Cell(QTableView* view, int row, int column) const
    {
        return view->model()->index(row, column).data().toString();
    }

    QuillonApp app;
    std::unique_ptr<MLSheet> sheet;
    bool exposed = false;
};

} // namespace quillon::testing_support
