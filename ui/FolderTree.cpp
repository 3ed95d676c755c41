#include "ui/FolderTree.h"

#include "ui/TextBytes.h"

#include <QBitmap>
#include <QPixmap>
#include <QSignalBlocker>
#include <algorithm>

#include "res/Pictures.h"

namespace quillon {

namespace {

constexpr int kNameRole = Qt::UserRole;     // folder name bytes (QByteArray)
constexpr int kRootRole = Qt::UserRole + 1; // drive root bytes, only on drive nodes
constexpr int kFolderImage = 4;
constexpr int kComputerImage = 6;
constexpr std::size_t kBatchRows = 2048;
constexpr int kBatchMillis = 40;

QIcon TreeImage(int index)
{
    QPixmap picture(QString::fromLatin1(pictures::kTreeImagePaths[index]));
    // White is the image list's transparent colour.
    picture.setMask(picture.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return QIcon(picture);
}

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent), driveSource_(&ReadDrives)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { OnItemExpanded(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { OnItemExpanded(item, false); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { ShowFiles(current); });
}

FolderTree::~FolderTree()
{
    StopListings(true);
}

void FolderTree::SetDriveSource(std::function<std::vector<DriveInfo>()> source)
{
    driveSource_ = std::move(source);
}

void FolderTree::FillDrives()
{
    for (int i = 0; i < 7; ++i) {
        images_[i] = TreeImage(i);
    }
    top_ = new QTreeWidgetItem(QStringList{QStringLiteral("/")});
    top_->setIcon(0, images_[kComputerImage]);
    addTopLevelItem(top_);

    for (const DriveInfo& drive : driveSource_()) {
        auto* node = new QTreeWidgetItem(top_, QStringList{FileNameText(DriveNodeText(drive))});
        node->setData(0, kRootRole, QByteArray::fromStdString(drive.root));
        node->setIcon(0, images_[static_cast<int>(drive.type)]);
        AddSubfolders(node);
    }

    if (fileList != nullptr) {
        FileListModel* model = fileList->Model();
        for (const char* title : {"File name", "Size", "Date"}) {
            model->InsertColumn(QString::fromLatin1(title));
        }
        fileList->SizeColumnsToContents();
    }
    expandItem(top_);
    currentFolder.clear();
}

QTreeWidgetItem* FolderTree::DriveNode(const std::string& root) const
{
    if (top_ == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < top_->childCount(); ++i) {
        if (top_->child(i)->data(0, kRootRole).toByteArray().toStdString() == root) {
            return top_->child(i);
        }
    }
    return nullptr;
}

std::string FolderTree::NodeName(const QTreeWidgetItem* item)
{
    return item->data(0, kNameRole).toByteArray().toStdString();
}

QTreeWidgetItem* FolderTree::ChildNamed(QTreeWidgetItem* item, const std::string& name)
{
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        if (NodeName(item->child(i)) == name) {
            return item->child(i);
        }
    }
    return nullptr;
}

std::string FolderTree::GetItemPath(QTreeWidgetItem* item) const
{
    // Names are kept as the file system's bytes beside the shown text, so the path is
    // exact whatever the name's length or encoding.
    std::vector<std::string> names;
    for (QTreeWidgetItem* node = item; node != nullptr && node != top_; node = node->parent()) {
        QVariant root = node->data(0, kRootRole);
        if (root.isValid()) {
            std::reverse(names.begin(), names.end());
            return JoinItemPath(root.toByteArray().toStdString(), names);
        }
        names.push_back(NodeName(node));
    }
    return {};
}

QTreeWidgetItem* FolderTree::AddFolderNode(QTreeWidgetItem* parent, const std::string& name)
{
    QByteArray bytes = QByteArray::fromStdString(name);
    auto* node = new QTreeWidgetItem(parent, QStringList{FileNameText(name)});
    node->setData(0, kNameRole, bytes);
    node->setIcon(0, images_[kFolderImage]);
    return node;
}

void FolderTree::AddSubfolders(QTreeWidgetItem* item)
{
    std::string path = GetItemPath(item);
    if (path.empty()) {
        return;
    }
    std::vector<std::string> names = ListSubfolders(path);
    std::sort(names.begin(), names.end(), NameLessNoCase);
    for (const std::string& name : names) {
        AddFolderNode(item, name);
    }
}

void FolderTree::RemoveSubfolders(QTreeWidgetItem* item)
{
    qDeleteAll(item->takeChildren());
}

void FolderTree::OnItemExpanded(QTreeWidgetItem* item, bool expanded)
{
    if (item == nullptr || item == top_ || item->childCount() == 0) {
        return;
    }
    for (int i = 0; i < item->childCount(); ++i) {
        if (expanded) {
            // A child that still holds folders from an earlier opening gets them afresh,
            // so no folder appears twice.
            RemoveSubfolders(item->child(i));
            AddSubfolders(item->child(i));
        } else {
            // The child forgets being open, so that opening it again fills it again.
            QSignalBlocker quiet(this);
            item->child(i)->setExpanded(false);
            RemoveSubfolders(item->child(i));
        }
    }
}

void FolderTree::ShowFiles(QTreeWidgetItem* item)
{
    if (item == nullptr || item == top_) {
        // The top node stands for no folder: nothing is listed.
        StopListings(false);
        if (fileList != nullptr) {
            fileList->Model()->DeleteAllItems();
        }
        currentFolder.clear();
        return;
    }
    ListFolder(GetItemPath(item));
}

void FolderTree::RefreshFiles(const std::string& folder)
{
    if (currentFolder.empty()) {
        StopListings(false);
        if (fileList != nullptr) {
            fileList->Model()->DeleteAllItems();
        }
        return;
    }
    ListFolder(folder);
}

void FolderTree::StopListings(bool wait)
{
    ++generation_;
    listingActive_ = false;
    for (Listing& listing : listings_) {
        listing.cancel->store(true);
    }
    // Finished workers are joined at once; a worker still busy in a slow folder is only
    // waited for when the tree goes away.
    for (auto it = listings_.begin(); it != listings_.end();) {
        if (wait || it->done->load()) {
            it->thread.join();
            it = listings_.erase(it);
        } else {
            ++it;
        }
    }
}

void FolderTree::ListFolder(const std::string& folder)
{
    StopListings(false);
    if (fileList != nullptr) {
        fileList->Model()->DeleteAllItems();
    }
    if (mask.empty()) {
        mask = "*.*";
    }
    currentFolder = WithTrailingSlash(folder);
    if (fileList == nullptr) {
        return;
    }

    unsigned long generation = generation_;
    listingActive_ = true;
    Listing listing{std::make_shared<std::atomic<bool>>(false), std::make_shared<std::atomic<bool>>(false), {}};
    auto cancel = listing.cancel;
    auto done = listing.done;
    std::string path = currentFolder;
    std::string pattern = mask;
    listing.thread = std::thread([this, generation, cancel, done, path, pattern] {
        // Rows reach the list only through queued calls on the tree's own thread; a batch
        // of an outdated listing is dropped there.
        ListFolderFiles(path, pattern, *cancel, kBatchRows, kBatchMillis, [&](std::vector<FileRow>&& rows) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, rows = std::move(rows)]() mutable {
                    if (generation == generation_ && fileList != nullptr) {
                        // Columns are sized to the first rows at once and to all of them
                        // at the end; sizing after every batch would cost the window time
                        // in large folders.
                        bool first = fileList->ItemCount() == 0;
                        fileList->Model()->AppendRows(std::move(rows));
                        if (first) {
                            fileList->SizeColumnsToContents();
                        }
                    }
                },
                Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_) {
                    listingActive_ = false;
                    if (fileList != nullptr) {
                        fileList->SizeColumnsToContents();
                    }
                    emit ListingFinished();
                }
            },
            Qt::QueuedConnection);
        done->store(true);
    });
    listings_.push_back(std::move(listing));
}

} // namespace quillon
