// CLinkLabel: a static text that behaves as a web link, with hover, visited colour, hand cursor and tooltip.
#include "about/link_label.h"

#include "about/open_target.h"
#include "platform/platform.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

CLinkLabel::CLinkLabel(QWidget* pParent)
    : QLabel(pParent)
{
    setTextFormat(Qt::PlainText);
}

void CLinkLabel::Attach()
{
    m_bAttached = true;
    // Mouse moves arrive without a button held only when tracked.
    setMouseTracking(true);
    if (m_strTarget.isEmpty())
        m_strTarget = text();
    if (text().isEmpty())
        setText(m_strTarget);
    m_fontPlain = font();
    m_fontPlain.setUnderline(false);
    m_fontUnderlined = m_fontPlain;
    m_fontUnderlined.setUnderline(true);
    FitToText();
    LoadHandCursor();
    SetUnderlineMode(-1);
    setToolTip(m_strTarget);
}

void CLinkLabel::SetTarget(const QString& target)
{
    m_strTarget = target;
    if (!m_bAttached)
        return;
    FitToText();
    setToolTip(m_strTarget);
}

void CLinkLabel::MarkOpened(bool bOpened)
{
    m_bWasOpened = bOpened;
    if (m_bAttached)
        update();
}

void CLinkLabel::SetUnderlineMode(int nMode)
{
    if (nMode == m_nUnderlineMode)
        return;
    if (m_bAttached) {
        setFont(nMode == 1 ? m_fontUnderlined : m_fontPlain);
        update();
    }
    m_nUnderlineMode = nMode;
}

void CLinkLabel::FitToText()
{
    if (!m_bAttached || !m_bFitToText)
        return;
    QRect rect = geometry();
    const QSize border = rect.size() - contentsRect().size();
    const QFontMetrics metrics(m_fontUnderlined);
    const int nHeight = metrics.height() + border.height();
    const int nWidth = metrics.horizontalAdvance(text()) + border.width();
    if (alignment().testFlag(Qt::AlignVCenter)) {
        const int nShrink = (rect.height() - nHeight) / 2;
        rect.adjust(0, nShrink, 0, -nShrink);
    } else {
        rect.setHeight(nHeight);
    }
    if (alignment().testFlag(Qt::AlignHCenter)) {
        const int nShrink = (rect.width() - nWidth) / 2;
        rect.adjust(nShrink, 0, -nShrink, 0);
    } else if (alignment().testFlag(Qt::AlignRight)) {
        rect.setLeft(rect.left() + rect.width() - nWidth);
    } else {
        rect.setWidth(nWidth);
    }
    setGeometry(rect);
}

// The desktop's own pointing hand stands for a cursor found in a module.
void CLinkLabel::LoadHandCursor()
{
    if (!m_handCursor)
        m_handCursor = QCursor(Qt::PointingHandCursor);
    setCursor(*m_handCursor);
}

int CLinkLabel::OpenTarget(const QString& target)
{
    return OpenLinkTarget(target);
}

void CLinkLabel::ShowOpenError(int nCode)
{
    ShowMessageBox(OpenErrorText(nCode).toStdString());
}

QColor CLinkLabel::TextColour() const
{
    if (m_bMouseInside)
        return m_clrHover;
    return m_bWasOpened ? m_clrVisited : m_clrLink;
}

void CLinkLabel::paintEvent(QPaintEvent* pEvent)
{
    if (!m_bAttached) {
        QLabel::paintEvent(pEvent);
        return;
    }
    QPainter painter(this);
    painter.setPen(TextColour());
    painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

void CLinkLabel::enterEvent(QEnterEvent* pEvent)
{
    OnMouseMove();
    QLabel::enterEvent(pEvent);
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove();
    QLabel::mouseMoveEvent(pEvent);
}

void CLinkLabel::OnMouseMove()
{
    if (!m_bAttached || m_bMouseInside)
        return;
    m_bMouseInside = true;
    if (m_nUnderlineMode == -1)
        setFont(m_fontUnderlined);
    update();
    m_hoverTimer.start(kHoverTimerMs, this);
}

void CLinkLabel::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_hoverTimer.timerId())
        OnHoverTimer();
    else
        QLabel::timerEvent(pEvent);
}

// Leaving is noticed by looking where the mouse is, as a leave event may
// never come when the label is hidden or covered.
void CLinkLabel::OnHoverTimer()
{
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_bMouseInside = false;
    m_hoverTimer.stop();
    if (m_nUnderlineMode != 1)
        setFont(m_fontPlain);
    update();
}

void CLinkLabel::mousePressEvent(QMouseEvent* pEvent)
{
    m_bPressed = m_bAttached && pEvent->button() == Qt::LeftButton;
    QLabel::mousePressEvent(pEvent);
}

// A click counts when the button goes up over the label it went down on.
void CLinkLabel::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const bool bClicked
        = m_bPressed && pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint());
    m_bPressed = false;
    QLabel::mouseReleaseEvent(pEvent);
    if (bClicked)
        OnClicked();
}

void CLinkLabel::OnClicked()
{
    m_bMouseInside = false;
    const int nCode = OpenTarget(m_strTarget);
    m_bWasOpened = nCode > 32;
    if (m_bWasOpened) {
        MarkOpened(true);
        return;
    }
    QApplication::beep();
    ShowOpenError(nCode);
}
