#include "ui/EllipsisLabel.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/ValueLabel.h"
#include "ui/core/EllipsisText.h"

namespace quillon {

EllipsisLabel::EllipsisLabel(Qt::Alignment drawFormat, bool pathEllipsisMode, QWidget* parent)
    : QWidget(parent), pathEllipsis(pathEllipsisMode), drawFormat_(drawFormat)
{
    // No background of its own: the parent's shows around and behind the text. A widget
    // without an opaque background has the parent repaint beneath it on every update, so a
    // shorter text never leaves remains of a longer one.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void EllipsisLabel::setText(const QString& text)
{
    if (text == text_) {
        return;
    }
    text_ = text;
    NameAfterText();
    update();
}

void EllipsisLabel::SetCaption(const QString& caption)
{
    caption_ = caption;
    NameAfterText();
}

void EllipsisLabel::NameAfterText()
{
    if (!caption_.isEmpty())
        setAccessibleName(ValueName(caption_, text_));
}

QFont EllipsisLabel::DrawFont() const
{
    return parentWidget() != nullptr ? parentWidget()->font() : font();
}

QString EllipsisLabel::ShownText() const
{
    QFontMetrics metrics(DrawFont());
    TextWidth measure = [&metrics](const std::string& s) {
        return metrics.horizontalAdvance(QString::fromStdString(s));
    };
    std::string text = text_.toStdString();
    std::string shown = pathEllipsis ? ElidePath(text, width(), measure) : ElideEnd(text, width(), measure);
    return QString::fromStdString(shown);
}

void EllipsisLabel::paintEvent(QPaintEvent*)
{
    if (text_.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setFont(DrawFont());
    painter.setPen(TextColour());
    painter.drawText(rect(), static_cast<int>(drawFormat_) | Qt::TextSingleLine, ShownText());
}

} // namespace quillon
