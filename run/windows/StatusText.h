#pragma once

#include <QString>
#include <QWidget>

namespace quillon {

// A fixed text of the status window: white on the text background, painted only behind
// the text itself, so that the tiled background shows around it.
class StatusText : public QWidget
{
    Q_OBJECT

public:
    explicit StatusText(const QString& text = {}, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                        QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }

    // Makes this a value field beside the caption label: its accessible name becomes
    // "caption value" and follows the text. A fixed text is named by its text.
    void SetCaption(const QString& caption);
    Qt::Alignment alignment() const { return alignment_; }

    // Hides the field, sets the text and shows it again: the tile is repainted where a
    // longer text stood.
    void Replace(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static QColor TextColour() { return QColor(255, 255, 255); }
    static QColor TextBackground() { return QColor(82, 99, 148); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NameAfterText();

    QString text_;
    QString caption_;
    Qt::Alignment alignment_;
};

} // namespace quillon
