#include "ui/CHyperLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "platform/BrowserCommand.h"
#include "platform/ProgramStart.h"
#include "ui/core/HyperlinkRules.h"

namespace quillon {

namespace {
// What the desktop's open step reports when it found no program for the target.
constexpr int kNoAssociation = 31;
constexpr int kBadAssociation = 27;
} // namespace

CHyperLink::CHyperLink(QWidget* parent) : CHyperLink(QString(), parent) {}

CHyperLink::CHyperLink(const QString& text, QWidget* parent)
    : QLabel(text, parent), hoverColour_(palette().color(QPalette::Highlight))
{
    setTextFormat(Qt::PlainText);
}

CHyperLink::~CHyperLink()
{
    if (overLink_) {
        releaseMouse();
    }
}

void CHyperLink::Attach()
{
    attached_ = true;
    PreSubclassWindow();
}

void CHyperLink::PreSubclassWindow()
{
    // Moves and clicks reach the label only when it tracks the mouse.
    setMouseTracking(true);
    if (url_.isEmpty()) {
        url_ = text();
    }
    if (text().isEmpty()) {
        setText(url_);
    }
    ApplyFont();
    PositionWindow();
    SetDefaultCursor();
    setToolTip(url_);
}

void CHyperLink::ApplyFont()
{
    font_ = font();
    font_.setUnderline(underline_);
    setFont(font_);
    Redraw();
}

void CHyperLink::Redraw()
{
    if (attached_) {
        update();
    }
}

void CHyperLink::SetURL(const QString& url, bool underline)
{
    url_ = url;
    if (attached_) {
        SetUnderline(underline);
        PositionWindow();
        setToolTip(url_);
    }
}

void CHyperLink::SetColours(QColor link, QColor visited, QColor hover)
{
    linkColour_ = link;
    visitedColour_ = visited;
    hoverColour_ = hover.isValid() ? hover : palette().color(QPalette::Highlight);
    Redraw();
}

void CHyperLink::SetVisited(bool visited)
{
    visited_ = visited;
    Redraw();
}

void CHyperLink::SetLinkCursor(std::optional<QCursor> cursor)
{
    linkCursor_ = cursor;
    if (!linkCursor_) {
        SetDefaultCursor();
    }
    if (linkCursor_) {
        setCursor(*linkCursor_);
    }
}

void CHyperLink::SetDefaultCursor()
{
    if (!linkCursor_) {
        linkCursor_ = QCursor(Qt::PointingHandCursor);
    }
    if (attached_) {
        setCursor(*linkCursor_);
    }
}

void CHyperLink::SetUnderline(bool underline)
{
    underline_ = underline;
    if (attached_) {
        ApplyFont();
    }
}

void CHyperLink::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    if (attached_) {
        PositionWindow();
    }
}

void CHyperLink::PositionWindow()
{
    if (!attached_ || !autoSize_) {
        return;
    }
    QRect area = geometry();
    QSize text = QFontMetrics(font_).size(Qt::TextSingleLine, this->text());
    Qt::Alignment align = alignment();
    LinkAlign horizontal = (align & Qt::AlignHCenter) ? LinkAlign::Centre
                           : (align & Qt::AlignRight) ? LinkAlign::Right
                                                      : LinkAlign::Left;
    LinkRect fitted = FitLinkRect({area.left(), area.top(), area.left() + area.width(), area.top() + area.height()},
                                  text.width(), text.height(), horizontal, (align & Qt::AlignVCenter) != 0);
    setGeometry(fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top);
}

QColor CHyperLink::CtlColor() const
{
    if (overLink_) {
        return hoverColour_;
    }
    return visited_ ? visitedColour_ : linkColour_;
}

void CHyperLink::paintEvent(QPaintEvent* event)
{
    if (!attached_) {
        QLabel::paintEvent(event);
        return;
    }
    // Transparent background: only the text is drawn, so the dialog shows through.
    QPainter painter(this);
    painter.setFont(font_);
    painter.setPen(CtlColor());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

void CHyperLink::OnMouseMove(const QPoint& point)
{
    if (!overLink_) {
        overLink_ = true;
        repaint();
        grabMouse();
    } else if (!rect().contains(point)) {
        LeaveHover();
    }
}

void CHyperLink::LeaveHover()
{
    if (!overLink_) {
        return;
    }
    overLink_ = false;
    releaseMouse();
    repaint();
}

void CHyperLink::hideEvent(QHideEvent* event)
{
    // A hidden link must not keep the mouse captured.
    LeaveHover();
    QLabel::hideEvent(event);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event)
{
    QLabel::mouseMoveEvent(event);
    if (attached_) {
        OnMouseMove(event->position().toPoint());
    }
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (attached_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        OnClicked();
    }
}

void CHyperLink::OnClicked()
{
    // The capture ends before anything else opens: the browser or the error box must get
    // the mouse, and the link would otherwise stay in its hover colour.
    LeaveHover();
    int result = GotoURL(url_);
    visited_ = result > 32;
    if (result > 32) {
        SetVisited(true);
    } else {
        QApplication::beep();
        ReportError(result);
    }
}

bool CHyperLink::ShellOpen(const QString& target)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

int CHyperLink::GotoURL(const QString& target)
{
    if (ShellOpen(target)) {
        return kStartedCode;
    }
    int shellResult = kNoAssociation;
    std::string command;
    if (!FindRegisteredBrowserCommand(command)) {
        return shellResult;
    }
    std::vector<std::string> words = BrowserArguments(command, target.toStdString());
    if (words.empty()) {
        return kBadAssociation;
    }
    return StartDetached(words);
}

void CHyperLink::ReportError(int code)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillon"), QString::fromStdString(HyperlinkErrorText(code)),
                    QMessageBox::Ok, window());
    box.exec();
}

} // namespace quillon
