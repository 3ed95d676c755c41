#pragma once

#include "cd/GrabberSession.h"

#include <QAbstractTableModel>
#include <QString>
#include <string>

namespace quillon {

// The grabber session's rows as a table: the texts come from the session, the first
// column carries the tick and takes renames; ticks and renames go to the session.
class GrabberTrackModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit GrabberTrackModel(GrabberSession& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QModelIndex Cell(int row, TrackColumn column) const { return index(row, static_cast<int>(column)); }

    // The session loaded another disc.
    void Reset();
    // The session changed the texts or ticks of its rows.
    void RowsChanged();

signals:
    // A row was ticked or unticked from the list: the totals changed.
    void TicksChanged();

private:
    GrabberSession& session_;
};

} // namespace quillon
