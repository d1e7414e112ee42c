// CPreviewGeometry: fit mode, zoom steps, centre-keeping, clamping, scrolling and the drawing plan of a pane.
#include "preview/preview_geometry.h"

#include <algorithm>

namespace {

// Truncation toward zero, the way the offsets and sizes are cut throughout.
int Trunc(double d)
{
    return static_cast<int>(d);
}

int ScrollDelta(int nCode)
{
    switch (nCode) {
    case SB_LINEUP:
    case SB_TOP: // one line, not to the start
        return -1;
    case SB_LINEDOWN:
    case SB_BOTTOM:
        return 1;
    case SB_PAGEUP:
        return -20;
    case SB_PAGEDOWN:
        return 20;
    default:
        return 0;
    }
}

SScrollBarSetup MakeBar(int nClient, int nImage, double dZoom, int nPos)
{
    SScrollBarSetup bar;
    bar.bVisible = nClient < nImage * dZoom;
    bar.nMax = Trunc(nImage * dZoom - 1);
    bar.nPage = nClient;
    bar.nPos = nPos;
    return bar;
}

} // namespace

void CPreviewGeometry::SetClient(int cw, int ch)
{
    m_nClientWidth = cw;
    m_nClientHeight = ch;
}

void CPreviewGeometry::Reset()
{
    SetScrollOffsets(0, 0);
    m_dZoom = 1.0;
    m_bFit = true;
}

void CPreviewGeometry::SetImageSize(int nWidth, int nHeight)
{
    m_nImageWidth = nWidth;
    m_nImageHeight = nHeight;
    if (nWidth > m_nClientWidth || nHeight > m_nClientHeight)
        FitToWindow();
    else
        m_bFit = false;
}

void CPreviewGeometry::SetScrollOffsets(int x, int y)
{
    m_nScrollX = x;
    m_nScrollY = y;
}

void CPreviewGeometry::FitToWindow()
{
    SetScrollOffsets(0, 0);
    m_bFit = true;
}

bool CPreviewGeometry::FitsAtZoomOne() const
{
    return m_nImageWidth <= m_nClientWidth && m_nImageHeight <= m_nClientHeight;
}

// Scales the offsets so that the point in the middle of the pane stays there.
void CPreviewGeometry::KeepCentre(double dRatio)
{
    const int hw = m_nClientWidth / 2;
    const int hh = m_nClientHeight / 2;
    m_nScrollX = Trunc((m_nScrollX + hw) * dRatio - hw);
    m_nScrollY = Trunc((m_nScrollY + hh) * dRatio - hh);
}

void CPreviewGeometry::ClampOffsets()
{
    const double dMaxX = m_nImageWidth * m_dZoom - m_nClientWidth;
    const double dMaxY = m_nImageHeight * m_dZoom - m_nClientHeight;
    if (m_nScrollX > dMaxX)
        m_nScrollX = Trunc(dMaxX);
    if (m_nScrollY > dMaxY)
        m_nScrollY = Trunc(dMaxY);
    m_nScrollX = std::max(m_nScrollX, 0);
    m_nScrollY = std::max(m_nScrollY, 0);
}

double CPreviewGeometry::ZoomIn()
{
    const double dOld = m_dZoom;
    if (FitsAtZoomOne()) {
        if (m_dZoom <= 1 && !m_bFit) {
            FitToWindow();
            return m_dZoom;
        }
        if (m_dZoom > 1 && m_bFit)
            m_dZoom = 1.0;
    }
    m_dZoom = m_dZoom >= 1 ? m_dZoom + 1 : 1.0;
    m_bFit = false;
    KeepCentre(m_dZoom / dOld);
    ClampOffsets();
    return m_dZoom;
}

double CPreviewGeometry::ZoomOut()
{
    const double dOld = m_dZoom;
    const bool bFits = FitsAtZoomOne();
    m_bFit = false;
    const double dNew = m_dZoom - 1;
    if (dNew <= 1 && bFits) {
        m_dZoom = 1.0;
        SetScrollOffsets(0, 0);
    } else if (dNew < 1) {
        FitToWindow();
    } else {
        m_dZoom = dNew;
        KeepCentre(dNew / dOld);
        ClampOffsets();
    }
    return m_dZoom;
}

void CPreviewGeometry::Scroll(bool bVertical, int nCode, int nPosition)
{
    int& nOffset = bVertical ? m_nScrollY : m_nScrollX;
    const double dMax
        = bVertical ? m_nImageHeight * m_dZoom - m_nClientHeight : m_nImageWidth * m_dZoom - m_nClientWidth;
    if (nCode == SB_THUMBPOSITION || nCode == SB_THUMBTRACK)
        nOffset = nPosition;
    else
        nOffset += ScrollDelta(nCode);
    nOffset = std::max(nOffset, 0);
    if (nOffset > dMax)
        nOffset = Trunc(dMax);
}

SScrollBarsSetup CPreviewGeometry::UpdateScrollBars(bool bHasPath)
{
    if (!bHasPath || m_bFit)
        return {};
    ClampOffsets();
    return {MakeBar(m_nClientWidth, m_nImageWidth, m_dZoom, m_nScrollX),
            MakeBar(m_nClientHeight, m_nImageHeight, m_dZoom, m_nScrollY)};
}

SPaintPlan CPreviewGeometry::PreparePaint()
{
    const int cw = m_nClientWidth;
    const int ch = m_nClientHeight;
    const bool bFits = cw >= m_nImageWidth * m_dZoom && ch >= m_nImageHeight * m_dZoom;
    if (m_bFit && m_nImageWidth > 0 && m_nImageHeight > 0)
        m_dZoom = std::min(static_cast<double>(cw) / m_nImageWidth, static_cast<double>(ch) / m_nImageHeight);
    return m_dZoom == 1.0 ? PlanDirect() : PlanStretch(bFits);
}

SPaintPlan CPreviewGeometry::PlanDirect() const
{
    SPaintPlan plan;
    const int w = std::min(m_nImageWidth, m_nClientWidth);
    const int h = std::min(m_nImageHeight, m_nClientHeight);
    plan.nDestLeft = Trunc((m_nClientWidth - w) * 0.5);
    plan.nDestTop = Trunc((m_nClientHeight - h) * 0.5);
    plan.nDestWidth = plan.nSourceWidth = w;
    plan.nDestHeight = plan.nSourceHeight = h;
    plan.nSourceX = m_nScrollX;
    plan.nSourceY = m_nImageHeight <= m_nClientHeight ? m_nScrollY : m_nImageHeight - m_nClientHeight - m_nScrollY;
    return plan;
}

SPaintPlan CPreviewGeometry::PlanStretch(bool bFits) const
{
    SPaintPlan plan;
    plan.bStretch = true;
    const double dw = m_nImageWidth * m_dZoom;
    const double dh = m_nImageHeight * m_dZoom;
    if (m_dZoom < 1 || bFits) {
        plan.nDestLeft = Trunc((m_nClientWidth - dw) * 0.5);
        plan.nDestTop = Trunc((m_nClientHeight - dh) * 0.5);
    }
    plan.nDestWidth = Trunc(dw);
    plan.nDestHeight = Trunc(dh);
    plan.nSourceX = Trunc(m_nScrollX / m_dZoom);
    plan.nSourceY = Trunc(-m_nScrollY / m_dZoom);
    plan.nSourceWidth = m_nImageWidth;
    plan.nSourceHeight = m_nImageHeight;
    return plan;
}

SDrawRects MakeDrawRects(const SPaintPlan& plan, int nWidth, int nHeight)
{
    // Top-down source rectangle of the plan, which may reach past the image.
    const int nLeft = plan.nSourceX;
    const int nTop = nHeight - (plan.nSourceY + plan.nSourceHeight);
    const double dScaleX = plan.nSourceWidth > 0 ? static_cast<double>(plan.nDestWidth) / plan.nSourceWidth : 0;
    const double dScaleY = plan.nSourceHeight > 0 ? static_cast<double>(plan.nDestHeight) / plan.nSourceHeight : 0;
    const int nX0 = std::max(nLeft, 0);
    const int nY0 = std::max(nTop, 0);
    const int nX1 = std::min(nLeft + plan.nSourceWidth, nWidth);
    const int nY1 = std::min(nTop + plan.nSourceHeight, nHeight);
    SDrawRects rects;
    if (nX1 <= nX0 || nY1 <= nY0)
        return rects;
    rects.nSourceX = nX0;
    rects.nSourceY = nY0;
    rects.nSourceWidth = nX1 - nX0;
    rects.nSourceHeight = nY1 - nY0;
    rects.dTargetX = plan.nDestLeft + (nX0 - nLeft) * dScaleX;
    rects.dTargetY = plan.nDestTop + (nY0 - nTop) * dScaleY;
    rects.dTargetWidth = rects.nSourceWidth * dScaleX;
    rects.dTargetHeight = rects.nSourceHeight * dScaleY;
    return rects;
}
