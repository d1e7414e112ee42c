// CPreviewGeometry: the numbers of an image pane (fit mode, zoom, scroll offsets, drawing rectangles), without a
// window.
#pragma once

// Scroll notification codes of the pane's scroll bars.
enum EScrollCode {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// One scroll bar as the pane sets it: range 0..nMax with a page of nPage.
struct SScrollBarSetup {
    bool bVisible = false;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
};

struct SScrollBarsSetup {
    SScrollBarSetup horizontal;
    SScrollBarSetup vertical;
};

// How a paint draws the image. 1:1 copies the rows unscaled; a stretch
// scales the whole image onto the destination. The source origin is
// counted in image rows from the bottom, as the rows are stored.
struct SPaintPlan {
    bool bStretch = false;
    int nDestLeft = 0, nDestTop = 0, nDestWidth = 0, nDestHeight = 0;
    int nSourceX = 0, nSourceY = 0, nSourceWidth = 0, nSourceHeight = 0;
};

// The part of a plan that lands on the image, for a painter that addresses
// rows top-down and draws nothing outside the image: the source rectangle
// (top-down, inside the image) and where it goes in the pane.
struct SDrawRects {
    double dTargetX = 0, dTargetY = 0, dTargetWidth = 0, dTargetHeight = 0;
    int nSourceX = 0, nSourceY = 0, nSourceWidth = 0, nSourceHeight = 0;
    bool IsEmpty() const { return nSourceWidth <= 0 || nSourceHeight <= 0; }
};

// The pane keeps two display states: fit mode, where every paint picks the
// zoom that shows the whole image, and a fixed zoom stepped by whole numbers.
// Offsets are the screen-pixel position, within the zoomed picture, of the
// pane's top-left corner. The client size is set by the owner before each
// operation, as the window reads it.
class CPreviewGeometry {
public:
    void SetClient(int cw, int ch);
    // Offsets 0, zoom 1, fit mode on; the image size stays.
    void Reset();
    // A freshly loaded image: fit mode when it exceeds the client either way.
    void SetImageSize(int nWidth, int nHeight);
    void SetScrollOffsets(int x, int y);
    void FitToWindow();
    double ZoomIn();
    double ZoomOut();
    // A scroll bar's notification; bVertical picks the axis.
    void Scroll(bool bVertical, int nCode, int nPosition);
    // Scroll bars for the current state, clamping the offsets; both hidden
    // when no file is shown or in fit mode.
    SScrollBarsSetup UpdateScrollBars(bool bHasPath);
    // Computes the drawing of a loaded image; in fit mode it sets the zoom.
    SPaintPlan PreparePaint();

    int ScrollX() const { return m_nScrollX; }
    int ScrollY() const { return m_nScrollY; }
    double Zoom() const { return m_dZoom; }
    bool IsFit() const { return m_bFit; }
    int ImageWidth() const { return m_nImageWidth; }
    int ImageHeight() const { return m_nImageHeight; }
    int ClientWidth() const { return m_nClientWidth; }
    int ClientHeight() const { return m_nClientHeight; }

private:
    bool FitsAtZoomOne() const;
    void KeepCentre(double dRatio);
    void ClampOffsets();
    SPaintPlan PlanDirect() const;
    SPaintPlan PlanStretch(bool bFits) const;

    int m_nScrollX = 0;
    int m_nScrollY = 0;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    double m_dZoom = 1.0;
    bool m_bFit = true;
};

// The part of `plan` that shows image pixels of a nWidth x nHeight image.
SDrawRects MakeDrawRects(const SPaintPlan& plan, int nWidth, int nHeight);
