#pragma once

#include <QLabel>
#include <QString>

namespace quillon {

// The accessible name of a value field: its caption (a label of its own on screen) with the
// value it shows now, so that a screen reader hears the value and not only the caption.
QString ValueName(const QString& caption, const QString& value);

// A label that shows a value beside a separate caption label. Its accessible name is
// ValueName(caption, text) and follows every setText, which hides QLabel's own so that
// the name can never fall behind the text.
class ValueLabel : public QLabel
{
    Q_OBJECT
    // Declared forms (.ui files) give the caption by this name.
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)

public:
    explicit ValueLabel(QWidget* parent = nullptr);
    ValueLabel(const QString& caption, const QString& value, QWidget* parent = nullptr);

    void setText(const QString& value);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

private:
    QString caption_;
};

} // namespace quillon
