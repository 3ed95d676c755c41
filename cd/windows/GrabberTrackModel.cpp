#include "cd/windows/GrabberTrackModel.h"

#include "ui/TextBytes.h"

namespace quillon {

GrabberTrackModel::GrabberTrackModel(GrabberSession& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session)
{}

int GrabberTrackModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(session_.Rows().size());
}

int GrabberTrackModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kTrackListColumns;
}

QVariant GrabberTrackModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const GrabberRow& row = session_.Rows()[static_cast<size_t>(index.row())];
    const auto column = static_cast<TrackColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return Utf8Text(TrackRowText(row.texts, column));
    case Qt::ToolTipRole:
        // A whole name of up to 255 characters is wider than its cell.
        if (column == TrackColumn::Name || column == TrackColumn::Artist)
            return Utf8Text(TrackRowText(row.texts, column));
        return {};
    case Qt::CheckStateRole:
        if (column == TrackColumn::Name)
            return row.ticked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (column != TrackColumn::Name)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    default: return {};
    }
}

bool GrabberTrackModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rowCount() || static_cast<TrackColumn>(index.column()) != TrackColumn::Name)
        return false;
    bool changed = false;
    if (role == Qt::CheckStateRole) {
        changed = session_.SetTicked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
        if (changed)
            emit TicksChanged();
    } else if (role == Qt::EditRole) {
        changed = session_.RenameTrack(index.row(), Utf8Bytes(value.toString()));
    }
    if (changed)
        emit dataChanged(index, index);
    return changed;
}

Qt::ItemFlags GrabberTrackModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (static_cast<TrackColumn>(index.column()) != TrackColumn::Name)
        return flags;
    flags |= Qt::ItemIsEditable;
    // A data track is never grabbed as audio: it shows no tick to set.
    if (!session_.Rows()[static_cast<size_t>(index.row())].dataTrack)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant GrabberTrackModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kTrackListColumns)
        return QString::fromLatin1(kTrackListHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void GrabberTrackModel::Reset()
{
    beginResetModel();
    endResetModel();
}

void GrabberTrackModel::RowsChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kTrackListColumns - 1));
}

} // namespace quillon
