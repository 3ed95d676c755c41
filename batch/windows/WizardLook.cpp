#include "batch/windows/WizardLook.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QPalette>
#include <QPixmap>
#include <QTableView>

namespace quillon {

void ApplyTiledLook(QWidget* widget, const char* tilePath, const QColor& textColour)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(QPixmap(QString::fromLatin1(tilePath))));
    palette.setColor(QPalette::WindowText, textColour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void MakeReportList(QAbstractItemView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false); // Tab leaves the list for the next control
    QPalette palette = view->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    // Item views take the page's text colour for their cells otherwise.
    palette.setColor(QPalette::WindowText, Qt::black);
    view->setPalette(palette);
    if (auto* table = qobject_cast<QTableView*>(view)) {
        table->setShowGrid(true);
        table->verticalHeader()->hide();
        table->horizontalHeader()->setHighlightSections(false);
        table->setWordWrap(false);
    }
}

void NameFromLabel(QWidget* control, const QString& label)
{
    QString name = label;
    name.remove(QLatin1Char('&'));
    control->setAccessibleName(name);
}

} // namespace quillon
