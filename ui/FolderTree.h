#pragma once

#include <QIcon>
#include <QTreeWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/MountTable.h"
#include "ui/FileListView.h"
#include "ui/core/FolderListing.h"

namespace quillon {

// A tree of the machine's drives (mounted file systems) and their folders, one level of
// folders ahead of what the user has opened, which lists the selected folder's files that
// match the mask in its companion file list. The tree answers its own expand, collapse
// and selection notifications. Files are listed on a worker thread and arrive in
// batches, so a folder of many thousands of files never stalls the window.
class FolderTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);
    ~FolderTree() override;

    FileListView* fileList = nullptr; // companion list, not owned
    std::string mask;                 // file mask, such as "*.wav"
    std::string currentFolder;        // folder shown in the list, ending in "/"; empty before any

    // Where FillDrives takes its drives from (the machine's mounts unless replaced).
    void SetDriveSource(std::function<std::vector<DriveInfo>()> source);

    void FillDrives();
    void OnItemExpanded(QTreeWidgetItem* item, bool expanded);
    void ShowFiles(QTreeWidgetItem* item);
    void RefreshFiles(const std::string& folder);
    std::string GetItemPath(QTreeWidgetItem* item) const;
    void AddSubfolders(QTreeWidgetItem* item);
    void RemoveSubfolders(QTreeWidgetItem* item);

    QTreeWidgetItem* TopNode() const { return top_; }
    // The drive node whose root is the given text, or null.
    QTreeWidgetItem* DriveNode(const std::string& root) const;
    // The child of a node with the given folder name, or null.
    static QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const std::string& name);
    static std::string NodeName(const QTreeWidgetItem* item);

    bool IsListing() const { return listingActive_; }

signals:
    // The listing started by ShowFiles or RefreshFiles has handed over all its rows.
    void ListingFinished();

private:
    struct Listing
    {
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<bool>> done;
        std::thread thread;
    };

    void ListFolder(const std::string& folder);
    void StopListings(bool wait);
    QTreeWidgetItem* AddFolderNode(QTreeWidgetItem* parent, const std::string& name);

    std::function<std::vector<DriveInfo>()> driveSource_;
    QIcon images_[7];
    QTreeWidgetItem* top_ = nullptr;
    std::vector<Listing> listings_;
    unsigned long generation_ = 0;
    bool listingActive_ = false;
};

} // namespace quillon
