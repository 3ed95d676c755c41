#pragma once

#include <QColor>

class QAbstractItemView;
class QWidget;

namespace quillon {

// Label colours of the wizard's windows.
inline const QColor kDarkRed(128, 0, 0);
inline const QColor kBrightGreen(0, 255, 0);

// Fills the widget's background with a picture repeated from its top-left corner and
// draws its labels (and button captions beside check and radio boxes) in `textColour`.
void ApplyTiledLook(QWidget* widget, const char* tilePath, const QColor& textColour);

// A list in report view as the wizard's lists are: grid lines, whole-row selection, at
// most one selected row, the selection shown also while the list has no focus.
void MakeReportList(QAbstractItemView* view);

// Gives a control the text of its label (without the access-key ampersand) as its
// accessible name, so screen readers and test robots find it.
void NameFromLabel(QWidget* control, const QString& label);

} // namespace quillon
