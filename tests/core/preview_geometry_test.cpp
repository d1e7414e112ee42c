// The pane's numbers: loading into fit or 1:1, zoom steps with the centre kept, clamping, scroll codes, drawing plans.
#include "preview/preview_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Numbers = std::vector<double>;

template <class... T> Numbers Of(T... values)
{
    return {static_cast<double>(values)...};
}

CPreviewGeometry Loaded(int nWidth, int nHeight, int cw, int ch)
{
    CPreviewGeometry geometry;
    geometry.SetClient(cw, ch);
    geometry.Reset();
    geometry.SetImageSize(nWidth, nHeight);
    geometry.UpdateScrollBars(true);
    return geometry;
}

// Fit mode, zoom and offsets.
Numbers State(const CPreviewGeometry& g)
{
    return Of(g.IsFit(), g.Zoom(), g.ScrollX(), g.ScrollY());
}
// Whether it stretches, then the destination and the source rectangles.
Numbers Plan(const SPaintPlan& p)
{
    return Of(p.bStretch, p.nDestLeft, p.nDestTop, p.nDestWidth, p.nDestHeight, p.nSourceX, p.nSourceY, p.nSourceWidth,
              p.nSourceHeight);
}
Numbers Rects(const SDrawRects& r)
{
    return Of(r.nSourceX, r.nSourceY, r.nSourceWidth, r.nSourceHeight, r.dTargetX, r.dTargetY, r.dTargetWidth,
              r.dTargetHeight);
}
// Visible, maximum and page of the horizontal and the vertical bar.
Numbers Bars(const SScrollBarsSetup& b)
{
    return Of(b.horizontal.bVisible, b.vertical.bVisible, b.horizontal.nMax, b.vertical.nMax, b.horizontal.nPage,
              b.vertical.nPage);
}

} // namespace

// A small image shows 1:1, centred, with no scroll bar; Zoom In fits it to
// the pane (3.75), then steps by whole numbers; Zoom Out steps down until
// the next value would be 1 or less, then shows 1.
TEST(PreviewGeometry, SmallImageLoadsAtZoomOneThenZoomsToFitAndByWholeSteps)
{
    CPreviewGeometry geometry = Loaded(100, 80, 200, 200);
    EXPECT_EQ(Bars(geometry.UpdateScrollBars(true)), (Numbers{0, 0, 99, 79, 200, 200}));
    EXPECT_EQ(Plan(geometry.PreparePaint()), (Numbers{0, 50, 60, 100, 80, 0, 0, 100, 80}));
    EXPECT_EQ(State(geometry), (Numbers{0, 1, 0, 0}));

    geometry = Loaded(100, 80, 400, 300);
    geometry.ZoomIn();
    EXPECT_EQ(Plan(geometry.PreparePaint()), (Numbers{1, 12, 0, 375, 300, 0, 0, 100, 80}));
    EXPECT_EQ(State(geometry), (Numbers{1, 3.75, 0, 0}));
    CPreviewGeometry stepped = geometry;
    EXPECT_EQ(stepped.ZoomIn(), 2.0);
    EXPECT_EQ(State(stepped), (Numbers{0, 2, 0, 0}));
    for (const double dZoom : {2.75, 1.75, 1.0, 1.0})
        EXPECT_EQ(geometry.ZoomOut(), dZoom);
    EXPECT_FALSE(geometry.IsFit());
}

// A large image fits the pane, then Zoom In and Out keep the centre, with
// scroll bars over the zoomed size; Zoom Out below 1 fits again, and so does
// a reset, which keeps the image.
TEST(PreviewGeometry, LargeImageFitsThenZoomsInKeepingTheCentreAndBackOut)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    EXPECT_EQ(Bars(geometry.UpdateScrollBars(true)), (Numbers{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Plan(geometry.PreparePaint()), (Numbers{1, 0, 25, 200, 150, 0, 0, 400, 300}));
    EXPECT_EQ(State(geometry), (Numbers{1, 0.5, 0, 0}));
    EXPECT_EQ(geometry.ZoomIn(), 1.0);
    EXPECT_EQ(State(geometry), (Numbers{0, 1, 100, 100}));
    EXPECT_EQ(Bars(geometry.UpdateScrollBars(true)), (Numbers{1, 1, 399, 299, 200, 200}));
    EXPECT_EQ(geometry.ZoomIn(), 2.0);
    EXPECT_EQ(State(geometry), (Numbers{0, 2, 300, 300}));
    CPreviewGeometry reset = geometry;
    reset.Reset();
    EXPECT_EQ(Plan(reset.PreparePaint()), (Numbers{1, 0, 25, 200, 150, 0, 0, 400, 300}));
    EXPECT_EQ(geometry.ZoomOut(), 1.0);
    EXPECT_EQ(State(geometry), (Numbers{0, 1, 100, 100}));
    geometry.ZoomOut();
    EXPECT_EQ(State(geometry), (Numbers{1, 1, 0, 0}));
}

// At the exact edge: an image as large as the pane shows 1:1 with no scroll
// bar, and Zoom In fits it to the pane; one pixel more in a side fits it to
// the pane at once, and Zoom In shows it 1:1 with the scroll bar of that
// side only.
TEST(PreviewGeometry, ScrollBarsAppearOnlyWhenTheZoomedImageIsLargerThanThePane)
{
    const struct {
        int nWidth, nHeight;
        bool bFit, bHorizontal, bVertical;
    } cases[] = {{200, 200, false, false, false}, {201, 200, true, true, false}, {200, 201, true, false, true}};
    for (const auto& c : cases) {
        CPreviewGeometry geometry = Loaded(c.nWidth, c.nHeight, 200, 200);
        const bool bFit = geometry.IsFit();
        geometry.PreparePaint();
        const double dZoom = geometry.ZoomIn();
        const SScrollBarsSetup bars = geometry.UpdateScrollBars(true);
        EXPECT_EQ(std::tuple(bFit, dZoom, geometry.IsFit(), bars.horizontal.bVisible, bars.vertical.bVisible),
                  std::tuple(c.bFit, 1.0, !c.bFit, c.bHorizontal, c.bVertical))
            << c.nWidth << " x " << c.nHeight;
    }
}

// At 1:1 the plan copies pixels, its source rows counted from the bottom;
// zoomed, it stretches the whole image from the scrolled origin, and only
// image pixels are drawn (image point (25, 30) lands on the pane's corner).
TEST(PreviewGeometry, PlansCopyAt1To1AndStretchTheImageWhenZoomed)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    const Numbers expected[][2] = {{{0, 0, 0, 200, 200, 50, 40, 200, 200}, {50, 60, 200, 200, 0, 0, 200, 200}},
                                   {{1, 0, 0, 800, 600, 25, -30, 400, 300}, {25, 30, 375, 270, 0, 0, 750, 540}}};
    for (const auto& [plan, rects] : expected) {
        geometry.ZoomIn();
        geometry.SetScrollOffsets(50, 60);
        const SPaintPlan made = geometry.PreparePaint();
        EXPECT_EQ(std::pair(Plan(made), Rects(MakeDrawRects(made, 400, 300))), std::pair(plan, rects));
    }
}

// Line and page codes move by fixed amounts, the thumb moves to its
// position; every offset stays within 0 and the zoomed size less the pane.
TEST(PreviewGeometry, ScrollCodesMoveByFixedAmountsWithinTheRange)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn(); // zoom 1, offsets (100, 100)
    const struct {
        bool bVertical;
        int nCode, nPos, nExpected;
    } steps[] = {{false, SB_PAGEDOWN, 0, 120}, {false, SB_TOP, 0, 119},
                 {false, SB_BOTTOM, 0, 120},   {false, SB_PAGEUP, 0, 100},
                 {false, SB_LINEUP, 0, 99},    {true, SB_THUMBTRACK, 77, 77},
                 {true, SB_ENDSCROLL, 5, 77},  {true, SB_THUMBPOSITION, 500, 100},
                 {false, SB_THUMBTRACK, -5, 0}};
    for (const auto& step : steps) {
        geometry.Scroll(step.bVertical, step.nCode, step.nPos);
        EXPECT_EQ(step.bVertical ? geometry.ScrollY() : geometry.ScrollX(), step.nExpected) << step.nCode;
    }
}
