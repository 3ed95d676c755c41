#pragma once

#include "batch/JobList.h"

#include <QAbstractTableModel>
#include <QString>

namespace quillon {

// The columns of the job table, in the order shown.
enum class JobColumn { FileName, Location, Size, Action, Options, OutputName, OutputDir };
constexpr int kJobColumns = 7;

// The rows of the job list as a table: the columns whose texts the core JobList keeps.
// Page 1's list and the finish page's summary show the same list through two of these,
// so the two can never disagree.
class JobTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // `optionsTitle` heads the fifth column; `maxText` cuts longer cell texts (0: none).
    JobTableModel(JobList& jobs, QString optionsTitle, int maxText, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list changed in length or order.
    void Reset();
    // The texts of one row changed.
    void RowChanged(int row);

    QString Text(int row, int column) const;
    QModelIndex Cell(int row, JobColumn column) const { return index(row, static_cast<int>(column)); }

private:
    JobList& jobs_;
    QString optionsTitle_;
    int maxText_;
};

} // namespace quillon
