#include "ui/FileListView.h"

#include "ui/TextBytes.h"

#include <QHeaderView>
#include <algorithm>

namespace quillon {

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount()) {
        return {};
    }
    const FileRow& row = Row(index.row());
    switch (index.column()) {
    case 0: return FileNameText(row.name);
    case 1: return QString::fromStdString(row.size);
    case 2: return Utf8Text(row.date);
    default: return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columns_.size()) {
        return columns_[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void FileListModel::InsertColumn(const QString& title)
{
    int at = static_cast<int>(columns_.size());
    beginInsertColumns({}, at, at);
    columns_.append(title);
    endInsertColumns();
}

void FileListModel::DeleteAllItems()
{
    if (rows_.empty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

static bool RowLess(const FileRow& a, const FileRow& b)
{
    return NameLessNoCase(a.name, b.name);
}

void FileListModel::AppendRows(std::vector<FileRow>&& batch)
{
    if (batch.empty()) {
        return;
    }
    int oldCount = static_cast<int>(rows_.size());
    int added = static_cast<int>(batch.size());
    beginInsertRows({}, oldCount, oldCount + added - 1);
    std::move(batch.begin(), batch.end(), std::back_inserter(rows_));
    endInsertRows();
    if (!sorted_) {
        return;
    }

    // Merge the new rows into place; selection and current row follow their rows.
    std::vector<int> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    auto less = [this](int a, int b) { return RowLess(rows_[a], rows_[b]); };
    std::stable_sort(order.begin() + oldCount, order.end(), less);
    std::inplace_merge(order.begin(), order.begin() + oldCount, order.end(), less);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(order.size());
    std::vector<FileRow> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
    }
    rows_ = std::move(sorted);
    QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& index : from) {
        to.append(this->index(newPosition[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::SetSortAscending(bool sorted)
{
    sorted_ = sorted;
    if (!sorted || rows_.empty()) {
        return;
    }
    std::vector<FileRow> rows = std::move(rows_);
    rows_.clear();
    beginResetModel();
    endResetModel();
    AppendRows(std::move(rows));
}

FileListView::FileListView(QWidget* parent) : QTableView(parent), model_(new FileListModel(this))
{
    setModel(model_);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    // Sizing to contents looks at a bounded sample of rows, so large folders size quickly.
    horizontalHeader()->setResizeContentsPrecision(100);
}

QString FileListView::ItemText(int row, int column) const
{
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

std::vector<std::string> FileListView::SelectedNames() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> names;
    for (int row : rows) {
        names.push_back(FileName(row));
    }
    return names;
}

void FileListView::SizeColumnsToContents()
{
    for (int column = 0; column < model_->columnCount(); ++column) {
        resizeColumnToContents(column);
    }
}

} // namespace quillon
