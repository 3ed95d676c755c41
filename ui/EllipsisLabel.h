#pragma once

#include <QString>
#include <QWidget>

namespace quillon {

// A text field that draws its text itself, in light yellow on its parent's background,
// shortened with an ellipsis when it does not fit: in the middle of a path (keeping the
// file name) or at the end.
class EllipsisLabel : public QWidget
{
    Q_OBJECT

public:
    // drawFormat: alignment flags used for the text besides the ellipsis rule.
    explicit EllipsisLabel(Qt::Alignment drawFormat = Qt::AlignLeft | Qt::AlignVCenter, bool pathEllipsis = false,
                           QWidget* parent = nullptr);

    bool pathEllipsis = false;

    void setText(const QString& text);
    QString text() const { return text_; }

    // Names the field for screen readers "caption value", with the whole text however
    // much of it is drawn, and keeps the name current as the text changes.
    void SetCaption(const QString& caption);
    Qt::Alignment DrawFormat() const { return drawFormat_; }

    // The text as it is drawn at the current width and font.
    QString ShownText() const;

    static QColor TextColour() { return QColor(255, 255, 128); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont DrawFont() const;

    void NameAfterText();

    Qt::Alignment drawFormat_;
    QString text_;
    QString caption_;
};

} // namespace quillon
