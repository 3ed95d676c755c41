#pragma once

#include <QColor>
#include <QProgressBar>
#include <atomic>
#include <cstdint>

#include "ui/core/ProgressBands.h"

namespace quillon {

// A progress bar that paints itself: a red-to-blue gradient revealed from the left and the
// percentage centred over it. Its own 32-bit state decides what is painted, so ranges
// beyond 16 bits paint correctly. The range, position and step calls may come from a
// worker thread: the state is atomic and the repaint is queued to the bar's own thread,
// so the caller never waits for the user-interface thread.
class PercentProgressBar : public QProgressBar
{
    Q_OBJECT
    // Declared forms (.ui files) ask for the percentage by this name.
    Q_PROPERTY(bool showText READ GetShowText WRITE SetShowText)

public:
    explicit PercentProgressBar(QWidget* parent = nullptr);

    void SetRange(std::int32_t lower, std::int32_t upper);
    std::int32_t SetPos(std::int32_t pos);
    std::int32_t SetStep(std::int32_t step);
    std::int32_t StepIt();

    std::int32_t GetLower() const { return lower_.load(); }
    std::int32_t GetUpper() const { return upper_.load(); }
    std::int32_t GetPos() const { return pos_.load(); }
    std::int32_t GetStep() const { return step_.load(); }

    void SetShowText(bool show);
    bool GetShowText() const { return showText_.load(); }
    void SetColours(QColor start, QColor end, QColor back, QColor text);
    QColor GetStartColour() const { return startColour_; }
    QColor GetEndColour() const { return endColour_; }
    QColor GetBackColour() const { return backColour_; }
    QColor GetTextColour() const { return textColour_; }

    // The text painted for the current state; empty when the bar shows empty.
    QString PaintedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Mirrors the state into the underlying control and repaints, on the bar's thread.
    void SyncControl();

    std::atomic<std::int32_t> lower_{0};
    std::atomic<std::int32_t> upper_{100};
    std::atomic<std::int32_t> step_{10};
    std::atomic<std::int32_t> pos_{0};
    // What the underlying 16-bit control holds, for the previous-value results.
    std::atomic<std::int32_t> controlPos_{0};
    std::atomic<std::int32_t> controlStep_{10};
    std::atomic<bool> showText_{false};
    QColor startColour_{255, 0, 0};
    QColor endColour_{0, 0, 255};
    QColor backColour_;
    QColor textColour_{255, 255, 255};
};

} // namespace quillon
