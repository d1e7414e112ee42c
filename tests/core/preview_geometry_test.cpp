// The pane's numbers: loading into fit or 1:1, zoom steps with the centre kept, clamping, scroll codes, drawing plans.
#include "preview/preview_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Numbers = std::vector<double>;

CPreviewGeometry Loaded(int nWidth, int nHeight, int cw, int ch)
{
    CPreviewGeometry geometry;
    geometry.SetClient(cw, ch);
    geometry.Reset();
    geometry.SetImageSize(nWidth, nHeight);
    geometry.UpdateScrollBars(true);
    return geometry;
}

Numbers Offsets(const CPreviewGeometry& geometry)
{
    return {static_cast<double>(geometry.ScrollX()), static_cast<double>(geometry.ScrollY())};
}
Numbers Dest(const SPaintPlan& p)
{
    return {static_cast<double>(p.bStretch), static_cast<double>(p.nDestLeft), static_cast<double>(p.nDestTop),
            static_cast<double>(p.nDestWidth), static_cast<double>(p.nDestHeight)};
}
Numbers Source(const SPaintPlan& p)
{
    return {static_cast<double>(p.nSourceX), static_cast<double>(p.nSourceY), static_cast<double>(p.nSourceWidth),
            static_cast<double>(p.nSourceHeight)};
}
Numbers Rects(const SDrawRects& r)
{
    return {static_cast<double>(r.nSourceX),
            static_cast<double>(r.nSourceY),
            static_cast<double>(r.nSourceWidth),
            static_cast<double>(r.nSourceHeight),
            r.dTargetX,
            r.dTargetY,
            r.dTargetWidth,
            r.dTargetHeight};
}
Numbers Bars(const SScrollBarsSetup& b)
{
    return {static_cast<double>(b.horizontal.bVisible), static_cast<double>(b.vertical.bVisible),
            static_cast<double>(b.horizontal.nMax),     static_cast<double>(b.vertical.nMax),
            static_cast<double>(b.horizontal.nPage),    static_cast<double>(b.vertical.nPage)};
}

} // namespace

// A small image shows 1:1, centred, with no scroll bar; Zoom In fits it to
// the pane (3.75), then steps by whole numbers; Zoom Out steps down until
// the next value would be 1 or less, then shows 1.
TEST(PreviewGeometry, SmallImageLoadsAtZoomOneThenZoomsToFitAndByWholeSteps)
{
    CPreviewGeometry geometry = Loaded(100, 80, 200, 200);
    EXPECT_FALSE(geometry.IsFit());
    EXPECT_EQ(Bars(geometry.UpdateScrollBars(true)), (Numbers{0, 0, 99, 79, 200, 200}));
    EXPECT_EQ(Dest(geometry.PreparePaint()), (Numbers{0, 50, 60, 100, 80}));
    EXPECT_EQ(geometry.Zoom(), 1.0);

    geometry = Loaded(100, 80, 400, 300);
    geometry.ZoomIn();
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_EQ(Dest(geometry.PreparePaint()), (Numbers{1, 12, 0, 375, 300}));
    EXPECT_EQ(geometry.Zoom(), 3.75);
    CPreviewGeometry stepped = geometry;
    EXPECT_EQ(stepped.ZoomIn(), 2.0);
    EXPECT_FALSE(stepped.IsFit());
    EXPECT_EQ(Offsets(stepped), (Numbers{0, 0}));
    for (const double dZoom : {2.75, 1.75, 1.0, 1.0})
        EXPECT_EQ(geometry.ZoomOut(), dZoom);
    EXPECT_FALSE(geometry.IsFit());
}

// A large image fits the pane, then Zoom In and Out keep the centre, with
// scroll bars over the zoomed size; Zoom Out below 1 fits again.
TEST(PreviewGeometry, LargeImageFitsThenZoomsInKeepingTheCentreAndBackOut)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_FALSE(geometry.UpdateScrollBars(true).horizontal.bVisible);
    EXPECT_EQ(Dest(geometry.PreparePaint()), (Numbers{1, 0, 25, 200, 150}));
    EXPECT_EQ(geometry.Zoom(), 0.5);
    EXPECT_EQ(geometry.ZoomIn(), 1.0);
    EXPECT_EQ(Offsets(geometry), (Numbers{100, 100}));
    EXPECT_EQ(Bars(geometry.UpdateScrollBars(true)), (Numbers{1, 1, 399, 299, 200, 200}));
    EXPECT_EQ(geometry.ZoomIn(), 2.0);
    EXPECT_EQ(Offsets(geometry), (Numbers{300, 300}));
    EXPECT_EQ(geometry.ZoomOut(), 1.0);
    EXPECT_EQ(Offsets(geometry), (Numbers{100, 100}));
    geometry.ZoomOut();
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_EQ(Offsets(geometry), (Numbers{0, 0}));
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
        SCOPED_TRACE(std::to_string(c.nWidth) + " x " + std::to_string(c.nHeight));
        CPreviewGeometry geometry = Loaded(c.nWidth, c.nHeight, 200, 200);
        EXPECT_EQ(geometry.IsFit(), c.bFit);
        geometry.PreparePaint();
        EXPECT_EQ(geometry.ZoomIn(), 1.0);
        EXPECT_EQ(geometry.IsFit(), !c.bFit);
        const SScrollBarsSetup bars = geometry.UpdateScrollBars(true);
        EXPECT_EQ(bars.horizontal.bVisible, c.bHorizontal);
        EXPECT_EQ(bars.vertical.bVisible, c.bVertical);
    }
}

// At 1:1 the plan copies pixels, its source rows counted from the bottom;
// zoomed, it stretches the whole image from the scrolled origin, and only
// image pixels are drawn (image point (25, 30) lands on the pane's corner).
TEST(PreviewGeometry, PlansCopyAt1To1AndStretchTheImageWhenZoomed)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn();
    geometry.SetScrollOffsets(50, 60);
    SPaintPlan plan = geometry.PreparePaint();
    EXPECT_EQ(Dest(plan), (Numbers{0, 0, 0, 200, 200}));
    EXPECT_EQ(Source(plan), (Numbers{50, 40, 200, 200}));
    EXPECT_EQ(Rects(MakeDrawRects(plan, 400, 300)), (Numbers{50, 60, 200, 200, 0, 0, 200, 200}));
    geometry.ZoomIn();
    geometry.SetScrollOffsets(50, 60);
    plan = geometry.PreparePaint();
    EXPECT_EQ(Dest(plan), (Numbers{1, 0, 0, 800, 600}));
    EXPECT_EQ(Source(plan), (Numbers{25, -30, 400, 300}));
    EXPECT_EQ(Rects(MakeDrawRects(plan, 400, 300)), (Numbers{25, 30, 375, 270, 0, 0, 750, 540}));
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

TEST(PreviewGeometry, ResetKeepsTheImageSizeAndRestoresFitAtZoomOne)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn();
    geometry.Reset();
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_EQ(geometry.Zoom(), 1.0);
    EXPECT_EQ(Offsets(geometry), (Numbers{0, 0}));
    EXPECT_EQ(geometry.ImageWidth(), 400);
    EXPECT_FALSE(geometry.UpdateScrollBars(false).horizontal.bVisible);
}
