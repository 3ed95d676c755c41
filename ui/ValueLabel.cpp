#include "ui/ValueLabel.h"

#include "ui/core/ValueName.h"

namespace quillon {

QString ValueName(const QString& caption, const QString& value)
{
    return QString::fromStdString(ValueName(caption.toStdString(), value.toStdString()));
}

ValueLabel::ValueLabel(const QString& caption, const QString& value, QWidget* parent)
    : QLabel(value, parent), caption_(caption)
{
    setAccessibleName(ValueName(caption_, value));
}

void ValueLabel::setText(const QString& value)
{
    QLabel::setText(value);
    setAccessibleName(ValueName(caption_, value)); // announces the change over the bus
}

} // namespace quillon
