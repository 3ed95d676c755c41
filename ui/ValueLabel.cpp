#include "ui/ValueLabel.h"

#include "ui/core/ValueName.h"

namespace quillon {

QString ValueName(const QString& caption, const QString& value)
{
    return QString::fromStdString(ValueName(caption.toStdString(), value.toStdString()));
}

ValueLabel::ValueLabel(QWidget* parent) : QLabel(parent) {}

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

void ValueLabel::SetCaption(const QString& caption)
{
    caption_ = caption;
    setAccessibleName(ValueName(caption_, text()));
}

} // namespace quillon
