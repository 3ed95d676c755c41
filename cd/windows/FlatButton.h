#pragma once

#include <QIcon>
#include <QPushButton>

namespace quillon {

// The grabber's flat button: the face colour and no border at rest, a thin raised edge
// while the pointer is over it, a thin sunken edge with the contents one pixel right and
// down while pressed, the text centred with its access key underlined (embossed when
// disabled) and no focus rectangle. An optional 32 × 32 icon stands left of the text or
// above it, with a second icon while hot or pressed.
class FlatButton : public QPushButton
{
    Q_OBJECT

public:
    enum class IconPlace { Left, Above };

    explicit FlatButton(const QString& text, QWidget* parent = nullptr);

    void SetIcons(const QString& rest, const QString& hot, IconPlace place);
    bool IsHot() const { return hot_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHot(bool hot);

    QPixmap rest_;
    QPixmap hotIcon_;
    IconPlace place_ = IconPlace::Left;
    bool hot_ = false;
};

} // namespace quillon
