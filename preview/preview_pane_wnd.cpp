// CPreviewPaneWnd: the window of a CPreviewPane, with a sunken edge and its own scroll bars.
#include "preview/preview_pane_wnd.h"

#include "preview/preview_pane.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>

namespace {

int ScrollCode(int nAction)
{
    switch (nAction) {
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    case QAbstractSlider::SliderMove:
        return SB_THUMBTRACK;
    default:
        return SB_ENDSCROLL;
    }
}

// A bar's range 0..nMax with a page: the thumb's position runs to nMax - page + 1.
void SetUpBar(QScrollBar& bar, const SScrollBarSetup& setup)
{
    const QSignalBlocker blocker(bar);
    bar.setPageStep(std::max(setup.nPage, 1));
    bar.setRange(0, std::max(setup.nMax - setup.nPage + 1, 0));
    bar.setValue(setup.nPos);
    bar.setSliderPosition(setup.nPos);
}

} // namespace

CPreviewPaneWnd::CPreviewPaneWnd(CPreviewPane& pane, QWidget* pParent)
    : QFrame(pParent)
    , m_pane(pane)
    , m_pHorizontal(new QScrollBar(Qt::Horizontal, this))
    , m_pVertical(new QScrollBar(Qt::Vertical, this))
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    for (QScrollBar* pBar : {m_pHorizontal, m_pVertical}) {
        pBar->hide();
        pBar->setFocusPolicy(Qt::NoFocus);
        pBar->setSingleStep(1);
        const bool bVertical = pBar == m_pVertical;
        connect(pBar, &QAbstractSlider::actionTriggered, this,
                [this, bVertical](int nAction) { OnBarAction(bVertical, nAction); });
    }
}

CPreviewPaneWnd::~CPreviewPaneWnd()
{
    m_pane.OnDestroy();
}

int CPreviewPaneWnd::BarExtent() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect CPreviewPaneWnd::ClientRect() const
{
    QRect rect = contentsRect();
    if (!m_pHorizontal->isHidden())
        rect.setBottom(rect.bottom() - BarExtent());
    if (!m_pVertical->isHidden())
        rect.setRight(rect.right() - BarExtent());
    return rect;
}

void CPreviewPaneWnd::LayOutBars()
{
    const QRect client = ClientRect();
    const int nExtent = BarExtent();
    m_pHorizontal->setGeometry(client.left(), client.bottom() + 1, client.width(), nExtent);
    m_pVertical->setGeometry(client.right() + 1, client.top(), nExtent, client.height());
}

void CPreviewPaneWnd::ApplyScrollBars(const SScrollBarsSetup& bars)
{
    m_pHorizontal->setVisible(bars.horizontal.bVisible);
    m_pVertical->setVisible(bars.vertical.bVisible);
    if (bars.horizontal.nPage > 0 || bars.vertical.nPage > 0) {
        SetUpBar(*m_pHorizontal, bars.horizontal);
        SetUpBar(*m_pVertical, bars.vertical);
    }
    LayOutBars();
}

void CPreviewPaneWnd::OnBarAction(bool bVertical, int nAction)
{
    QScrollBar* pBar = bVertical ? m_pVertical : m_pHorizontal;
    const int nPosition = pBar->sliderPosition();
    if (bVertical)
        m_pane.OnVScroll(ScrollCode(nAction), nPosition);
    else
        m_pane.OnHScroll(ScrollCode(nAction), nPosition);
}

void CPreviewPaneWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const QRect client = ClientRect();
    painter.save();
    painter.setClipRect(client);
    painter.translate(client.topLeft());
    m_pane.OnPaint(painter);
    painter.restore();
    DrawEdge(painter);
}

// The style draws the edge as lines one device pixel wide on the outermost
// pixels of the rectangle it is given. At a fractional scale factor the
// window's sides can fall inside device pixels (at 1.5, x = 25 is 37.5); a
// line drawn there can round onto a pixel outside the window and be clipped
// away, taking that side of the edge with it. So the style draws in device
// pixels, on the pixels the window owns (those whose centres lie inside it,
// as the clip rounds them), once for each whole device pixel that fits in
// one pixel of the window, so that the edge grows with the scale factor.
void CPreviewPaneWnd::DrawEdge(QPainter& painter)
{
    painter.save();
    painter.resetTransform();
    const QTransform toDevice = painter.deviceTransform();
    const QRectF area = toDevice.mapRect(QRectF(rect()));
    QStyleOptionFrame option;
    initStyleOption(&option);
    option.rect = QRect(QPoint(qRound(area.left()), qRound(area.top())),
                        QPoint(qRound(area.right()) - 1, qRound(area.bottom()) - 1));
    painter.setWorldTransform(toDevice.inverted());
    for (int n = std::max(1, qFloor(toDevice.m11())); n > 0; --n) {
        style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, this);
        option.rect.adjust(1, 1, -1, -1);
    }
    painter.restore();
}

void CPreviewPaneWnd::resizeEvent(QResizeEvent* pEvent)
{
    QFrame::resizeEvent(pEvent);
    LayOutBars();
}

// The wheel scrolls the picture as it would over the scroll bar itself.
void CPreviewPaneWnd::wheelEvent(QWheelEvent* pEvent)
{
    QScrollBar* pBar = m_pVertical->isHidden() ? m_pHorizontal : m_pVertical;
    if (pBar->isHidden()) {
        pEvent->ignore();
        return;
    }
    QApplication::sendEvent(pBar, pEvent);
}
