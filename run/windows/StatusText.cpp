#include "run/windows/StatusText.h"

#include <QPainter>

#include "ui/ValueLabel.h"

namespace quillon {

StatusText::StatusText(const QString& text, Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent), text_(text), alignment_(alignment)
{
    NameAfterText();
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true); // hiding to repaint must not move the layout
    setSizePolicy(policy);
}

void StatusText::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    NameAfterText();
    updateGeometry();
    update();
}

void StatusText::SetCaption(const QString& caption)
{
    caption_ = caption;
    NameAfterText();
}

void StatusText::NameAfterText()
{
    setAccessibleName(caption_.isEmpty() ? text_ : ValueName(caption_, text_));
}

void StatusText::Replace(const QString& text)
{
    hide();
    setText(text);
    show();
}

QSize StatusText::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 4, metrics.height() + 2};
}

void StatusText::paintEvent(QPaintEvent*)
{
    if (text_.isEmpty())
        return;
    QPainter painter(this);
    const QRect box = painter.boundingRect(rect(), static_cast<int>(alignment_), text_);
    painter.fillRect(box, TextBackground());
    painter.setPen(TextColour());
    painter.drawText(rect(), static_cast<int>(alignment_), text_);
}

} // namespace quillon
