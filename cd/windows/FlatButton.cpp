#include "cd/windows/FlatButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace quillon {

namespace {

constexpr int kIconSize = 32;
constexpr int kGap = 4;

} // namespace

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setAttribute(Qt::WA_Hover);
    setFlat(true);
    QString name = text;
    setAccessibleName(name.remove(QLatin1Char('&')));
}

void FlatButton::SetIcons(const QString& rest, const QString& hot, IconPlace place)
{
    rest_ = QPixmap(rest);
    hotIcon_ = hot.isEmpty() ? rest_ : QPixmap(hot);
    place_ = place;
    updateGeometry();
    update();
}

QSize FlatButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    QSize textSize = metrics.size(Qt::TextShowMnemonic, text());
    if (rest_.isNull())
        return textSize + QSize(16, 10);
    if (place_ == IconPlace::Left)
        return QSize(kIconSize + kGap + textSize.width() + 16, std::max(kIconSize, textSize.height()) + 8);
    return QSize(std::max(kIconSize, textSize.width()) + 16, kIconSize + kGap + textSize.height() + 8);
}

void FlatButton::SetHot(bool hot)
{
    if (hot_ != hot) {
        hot_ = hot;
        update();
    }
}

void FlatButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (!isEnabled() || !window()->isActiveWindow())
        return;
    // Pointing at a button of the active dialog gives it the keyboard focus, so Enter
    // presses the button the user looks at.
    setFocus(Qt::MouseFocusReason);
    SetHot(true);
}

void FlatButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    if (!(QApplication::mouseButtons() & Qt::LeftButton))
        SetHot(false);
}

void FlatButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    SetHot(false);
}

void FlatButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    if (!rect().contains(event->position().toPoint()))
        SetHot(false);
}

void FlatButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Button));
    const bool pressed = isDown();
    if (pressed)
        qDrawShadePanel(&painter, rect(), pal, true, 1);
    else if (hot_ && isEnabled())
        qDrawShadePanel(&painter, rect(), pal, false, 1);

    QRect inner = rect().adjusted(2, 2, -2, -2);
    if (pressed)
        inner.translate(1, 1);
    const QPixmap& icon = (hot_ || pressed) && isEnabled() ? hotIcon_ : rest_;
    QRect textRect = inner;
    if (!icon.isNull()) {
        const QFontMetrics metrics(font());
        const QSize textSize = metrics.size(Qt::TextShowMnemonic, text());
        if (place_ == IconPlace::Left) {
            const int width = kIconSize + kGap + textSize.width();
            const int left = inner.left() + (inner.width() - width) / 2;
            const QRect iconRect(left, inner.top() + (inner.height() - kIconSize) / 2, kIconSize, kIconSize);
            style()->drawItemPixmap(&painter, iconRect, Qt::AlignCenter,
                                    isEnabled() ? icon : QIcon(icon).pixmap(kIconSize, QIcon::Disabled));
            textRect = QRect(iconRect.right() + kGap, inner.top(), textSize.width() + 2, inner.height());
        } else {
            const int height = kIconSize + kGap + textSize.height();
            const int top = inner.top() + (inner.height() - height) / 2;
            const QRect iconRect(inner.left() + (inner.width() - kIconSize) / 2, top, kIconSize, kIconSize);
            style()->drawItemPixmap(&painter, iconRect, Qt::AlignCenter,
                                    isEnabled() ? icon : QIcon(icon).pixmap(kIconSize, QIcon::Disabled));
            textRect = QRect(inner.left(), iconRect.bottom() + kGap, inner.width(), textSize.height());
        }
    }
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    if (isEnabled()) {
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(textRect, flags, text());
    } else {
        // Embossed: a light copy one pixel down and right under the grey text.
        painter.setPen(pal.color(QPalette::Light));
        painter.drawText(textRect.translated(1, 1), flags, text());
        painter.setPen(pal.color(QPalette::Mid));
        painter.drawText(textRect, flags, text());
    }
}

} // namespace quillon
