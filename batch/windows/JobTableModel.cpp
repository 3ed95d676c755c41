#include "batch/windows/JobTableModel.h"

#include <QFile>

namespace quillon {

JobTableModel::JobTableModel(JobList& jobs, QString optionsTitle, int maxText, QObject* parent)
    : QAbstractTableModel(parent), jobs_(jobs), optionsTitle_(std::move(optionsTitle)), maxText_(maxText)
{
}

int JobTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : jobs_.Count();
}

int JobTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 7;
}

QString JobTableModel::Text(int row, int column) const
{
    if (row < 0 || row >= jobs_.Count())
        return {};
    const JobRow& r = jobs_.Row(row);
    const std::string* texts[] = {&r.fileName,   &r.location,   &r.sizeText,     &r.actionText,
                                  &r.optionText, &r.outputName, &r.outputDirText};
    if (column < 0 || column >= 7)
        return {};
    std::string text = *texts[column];
    if (maxText_ > 0 && text.size() > static_cast<size_t>(maxText_))
        text.resize(static_cast<size_t>(maxText_));
    // Names and folders are the file system's bytes.
    return QFile::decodeName(QByteArray::fromStdString(text));
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
    switch (section) {
    case 0: return QStringLiteral("File name");
    case 1: return QStringLiteral("Location");
    case 2: return QStringLiteral("Size");
    case 3: return QStringLiteral("Action");
    case 4: return optionsTitle_;
    case 5: return QStringLiteral("Output Name");
    case 6: return QStringLiteral("Output Dir");
    default: return {};
    }
}

void JobTableModel::Reset()
{
    beginResetModel();
    endResetModel();
}

void JobTableModel::RowChanged(int row)
{
    if (row >= 0 && row < jobs_.Count())
        emit dataChanged(index(row, 0), index(row, 6));
}

} // namespace quillon
