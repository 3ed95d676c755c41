#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <vector>

#include "ui/core/FolderListing.h"

namespace quillon {

// The rows of a file list in report view: name, size and date texts. With the ascending
// sort style set, rows are kept in name order (case-insensitive) as they arrive.
class FileListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void InsertColumn(const QString& title);
    void DeleteAllItems();
    void AppendRows(std::vector<FileRow>&& rows);
    void SetSortAscending(bool sorted);
    bool SortAscending() const { return sorted_; }

    const FileRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

private:
    QStringList columns_;
    std::vector<FileRow> rows_;
    bool sorted_ = false;
};

// The companion list control of the folder tree: a report view with grid lines and
// whole-row selection.
class FileListView : public QTableView
{
    Q_OBJECT

public:
    explicit FileListView(QWidget* parent = nullptr);

    FileListModel* Model() const { return model_; }
    int ItemCount() const { return model_->rowCount(); }
    // The file name of a row as the file system has it (bytes), and the shown texts.
    std::string FileName(int row) const { return model_->Row(row).name; }
    QString ItemText(int row, int column) const;
    // Names of the selected rows, in row order.
    std::vector<std::string> SelectedNames() const;

    void SizeColumnsToContents();

private:
    FileListModel* model_;
};

} // namespace quillon
