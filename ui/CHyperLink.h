#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <optional>

namespace quillon {

// A text label that becomes a clickable link once attached: underlined text in the link
// colour, the hover colour while the pointer is over it (the mouse is captured until it
// leaves), the visited colour after it was followed, a hand pointer, the target as its
// tooltip, and a click that opens the target with the desktop's program for it.
class CHyperLink : public QLabel
{
    Q_OBJECT

public:
    explicit CHyperLink(QWidget* parent = nullptr);
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);
    ~CHyperLink() override;

    // Turns the label as it stands into the link; until then the setters only store.
    void Attach();
    bool IsAttached() const { return attached_; }

    void SetURL(const QString& url, bool underline = true);
    QString GetURL() const { return url_; }

    // An invalid hover colour stands for the system highlight colour.
    void SetColours(QColor link, QColor visited, QColor hover = QColor());
    QColor GetLinkColour() const { return linkColour_; }
    QColor GetVisitedColour() const { return visitedColour_; }
    QColor GetHoverColour() const { return hoverColour_; }

    void SetVisited(bool visited);
    bool GetVisited() const { return visited_; }

    // No cursor makes the link load the default hand pointer.
    void SetLinkCursor(std::optional<QCursor> cursor);
    std::optional<QCursor> GetLinkCursor() const { return linkCursor_; }

    void SetUnderline(bool underline);
    bool GetUnderline() const { return underline_; }

    void SetAutoSize(bool autoSize);
    bool GetAutoSize() const { return autoSize_; }

    bool IsOverLink() const { return overLink_; }
    // The colour the text is drawn in now.
    QColor CtlColor() const;

    // Opens target: first through the desktop, then with the desktop's registered web
    // browser. Returns a shell-execution code, above 32 on success.
    int GotoURL(const QString& target);
    // Shows "Unable to open hyperlink:" with the reason for code.
    void ReportError(int code);

protected:
    virtual void PreSubclassWindow();
    virtual void OnClicked();
    void OnMouseMove(const QPoint& point);
    void PositionWindow();
    void SetDefaultCursor();
    // The desktop's own way of opening a target; false when it could not.
    virtual bool ShellOpen(const QString& target);

    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LeaveHover();
    void ApplyFont();
    void Redraw();

    QColor linkColour_{0, 0, 250};
    QColor visitedColour_{85, 26, 139};
    QColor hoverColour_;
    bool overLink_ = false;
    bool visited_ = false;
    bool underline_ = true;
    bool autoSize_ = true;
    QString url_;
    QFont font_;
    std::optional<QCursor> linkCursor_;
    bool attached_ = false;
};

} // namespace quillon
