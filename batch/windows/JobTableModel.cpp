#include "batch/windows/JobTableModel.h"

#include "formats/TextEncoding.h"
#include "ui/TextBytes.h"

namespace quillon {

JobTableModel::JobTableModel(JobList& jobs, QString optionsTitle, int maxText, QObject* parent)
    : QAbstractTableModel(parent), jobs_(jobs), optionsTitle_(std::move(optionsTitle)), maxText_(maxText)
{}

int JobTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : jobs_.Count();
}

int JobTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kJobColumns;
}

QString JobTableModel::Text(int row, int column) const
{
    if (row < 0 || row >= jobs_.Count())
        return {};
    if (column < 0 || column >= kJobColumns)
        return {};
    const JobRow& r = jobs_.Row(row);
    const std::string* texts[kJobColumns] = {&r.fileName,   &r.location,   &r.sizeText,     &r.actionText,
                                             &r.optionText, &r.outputName, &r.outputDirText};
    std::string_view text = *texts[column];
    // The cell's cut falls between characters, never inside one.
    if (maxText_ > 0)
        text = Utf8Prefix(text, static_cast<size_t>(maxText_));
    // Names and folders are the file system's bytes.
    return FileNameText(text);
}

QVariant JobTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return Text(index.row(), index.column());
}

QVariant JobTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section < 0 || section >= kJobColumns)
        return {};
    switch (static_cast<JobColumn>(section)) {
    case JobColumn::FileName: return QStringLiteral("File name");
    case JobColumn::Location: return QStringLiteral("Location");
    case JobColumn::Size: return QStringLiteral("Size");
    case JobColumn::Action: return QStringLiteral("Action");
    case JobColumn::Options: return optionsTitle_;
    case JobColumn::OutputName: return QStringLiteral("Output Name");
    case JobColumn::OutputDir: break;
    }
    return QStringLiteral("Output Dir");
}

void JobTableModel::Reset()
{
    beginResetModel();
    endResetModel();
}

void JobTableModel::RowChanged(int row)
{
    if (row >= 0 && row < jobs_.Count())
        emit dataChanged(Cell(row, JobColumn::FileName), Cell(row, JobColumn::OutputDir));
}

} // namespace quillon
