// The pane's numbers: loading into fit or 1:1, zoom steps with the centre kept, clamping, scroll codes, drawing plans.
#include "preview/preview_geometry.h"

#include <gtest/gtest.h>

namespace {

CPreviewGeometry Loaded(int nWidth, int nHeight, int cw, int ch)
{
    CPreviewGeometry geometry;
    geometry.SetClient(cw, ch);
    geometry.Reset();
    geometry.SetImageSize(nWidth, nHeight);
    geometry.UpdateScrollBars(true);
    return geometry;
}

void ExpectOffsets(const CPreviewGeometry& geometry, int x, int y)
{
    EXPECT_EQ(geometry.ScrollX(), x);
    EXPECT_EQ(geometry.ScrollY(), y);
}

} // namespace

TEST(PreviewGeometry, SmallImageLoadsAtZoomOneCentredWithoutScrollBars)
{
    CPreviewGeometry geometry = Loaded(100, 80, 200, 200);
    EXPECT_FALSE(geometry.IsFit());
    const SScrollBarsSetup bars = geometry.UpdateScrollBars(true);
    EXPECT_FALSE(bars.horizontal.bVisible);
    EXPECT_FALSE(bars.vertical.bVisible);
    const SPaintPlan plan = geometry.PreparePaint();
    EXPECT_EQ(geometry.Zoom(), 1.0);
    EXPECT_FALSE(plan.bStretch);
    EXPECT_EQ(plan.nDestLeft, 50);
    EXPECT_EQ(plan.nDestTop, 60);
    EXPECT_EQ(plan.nDestWidth, 100);
    EXPECT_EQ(plan.nDestHeight, 80);
}

TEST(PreviewGeometry, LargeImageFitsThenZoomsInKeepingTheCentreAndBackOut)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_FALSE(geometry.UpdateScrollBars(true).horizontal.bVisible);
    const SPaintPlan fit = geometry.PreparePaint();
    EXPECT_EQ(geometry.Zoom(), 0.5);
    EXPECT_TRUE(fit.bStretch);
    EXPECT_EQ(fit.nDestLeft, 0);
    EXPECT_EQ(fit.nDestTop, 25);
    EXPECT_EQ(fit.nDestWidth, 200);
    EXPECT_EQ(fit.nDestHeight, 150);

    EXPECT_EQ(geometry.ZoomIn(), 1.0);
    ExpectOffsets(geometry, 100, 100);
    const SScrollBarsSetup bars = geometry.UpdateScrollBars(true);
    EXPECT_TRUE(bars.horizontal.bVisible);
    EXPECT_TRUE(bars.vertical.bVisible);
    EXPECT_EQ(bars.horizontal.nMax, 399);
    EXPECT_EQ(bars.vertical.nMax, 299);
    EXPECT_EQ(bars.horizontal.nPage, 200);
    EXPECT_EQ(bars.vertical.nPage, 200);

    EXPECT_EQ(geometry.ZoomIn(), 2.0);
    ExpectOffsets(geometry, 300, 300);
    EXPECT_EQ(geometry.ZoomOut(), 1.0);
    ExpectOffsets(geometry, 100, 100);
    geometry.ZoomOut();
    EXPECT_TRUE(geometry.IsFit());
    ExpectOffsets(geometry, 0, 0);
}

TEST(PreviewGeometry, SmallImageZoomsInToFitThenByWholeSteps)
{
    CPreviewGeometry geometry = Loaded(100, 80, 400, 300);
    geometry.ZoomIn();
    EXPECT_TRUE(geometry.IsFit());
    const SPaintPlan plan = geometry.PreparePaint();
    EXPECT_EQ(geometry.Zoom(), 3.75);
    EXPECT_EQ(plan.nDestLeft, 12);
    EXPECT_EQ(plan.nDestTop, 0);
    EXPECT_EQ(plan.nDestWidth, 375);
    EXPECT_EQ(plan.nDestHeight, 300);

    CPreviewGeometry stepped = geometry;
    EXPECT_EQ(stepped.ZoomIn(), 2.0);
    EXPECT_FALSE(stepped.IsFit());
    ExpectOffsets(stepped, 0, 0);
    EXPECT_EQ(geometry.ZoomOut(), 2.75);

    // Zoom Out steps down until the next value would be 1 or less, then shows 1.
    EXPECT_EQ(geometry.ZoomOut(), 1.75);
    EXPECT_EQ(geometry.ZoomOut(), 1.0);
    EXPECT_EQ(geometry.ZoomOut(), 1.0);
    EXPECT_FALSE(geometry.IsFit());
}

TEST(PreviewGeometry, DirectPlanCountsSourceRowsFromTheBottom)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn();
    geometry.SetScrollOffsets(50, 60);
    const SPaintPlan plan = geometry.PreparePaint();
    EXPECT_FALSE(plan.bStretch);
    EXPECT_EQ(plan.nDestWidth, 200);
    EXPECT_EQ(plan.nDestHeight, 200);
    EXPECT_EQ(plan.nSourceX, 50);
    EXPECT_EQ(plan.nSourceY, 40);

    // Top-down, the same area starts 60 rows below the top.
    const SDrawRects rects = MakeDrawRects(plan, 400, 300);
    EXPECT_EQ(rects.nSourceX, 50);
    EXPECT_EQ(rects.nSourceY, 60);
    EXPECT_EQ(rects.nSourceWidth, 200);
    EXPECT_EQ(rects.nSourceHeight, 200);
    EXPECT_EQ(rects.dTargetX, 0);
    EXPECT_EQ(rects.dTargetY, 0);
}

TEST(PreviewGeometry, StretchPlanScalesTheWholeImageFromTheScrolledOrigin)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn();
    geometry.ZoomIn();
    geometry.SetScrollOffsets(50, 60);
    const SPaintPlan plan = geometry.PreparePaint();
    EXPECT_TRUE(plan.bStretch);
    EXPECT_EQ(plan.nDestLeft, 0);
    EXPECT_EQ(plan.nDestTop, 0);
    EXPECT_EQ(plan.nDestWidth, 800);
    EXPECT_EQ(plan.nDestHeight, 600);
    EXPECT_EQ(plan.nSourceX, 25);
    EXPECT_EQ(plan.nSourceY, -30);
    EXPECT_EQ(plan.nSourceWidth, 400);
    EXPECT_EQ(plan.nSourceHeight, 300);

    // Only image pixels are drawn: image point (25, 30) lands on the pane's corner.
    const SDrawRects rects = MakeDrawRects(plan, 400, 300);
    EXPECT_EQ(rects.nSourceX, 25);
    EXPECT_EQ(rects.nSourceY, 30);
    EXPECT_EQ(rects.nSourceWidth, 375);
    EXPECT_EQ(rects.nSourceHeight, 270);
    EXPECT_EQ(rects.dTargetX, 0);
    EXPECT_EQ(rects.dTargetY, 0);
    EXPECT_EQ(rects.dTargetWidth, 750);
    EXPECT_EQ(rects.dTargetHeight, 540);
}

TEST(PreviewGeometry, ScrollCodesMoveByFixedAmountsWithinTheRange)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn(); // zoom 1, offsets (100, 100)
    geometry.Scroll(false, SB_PAGEDOWN, 0);
    EXPECT_EQ(geometry.ScrollX(), 120);
    geometry.Scroll(false, SB_TOP, 0);
    EXPECT_EQ(geometry.ScrollX(), 119);
    geometry.Scroll(false, SB_BOTTOM, 0);
    EXPECT_EQ(geometry.ScrollX(), 120);
    geometry.Scroll(false, SB_PAGEUP, 0);
    geometry.Scroll(false, SB_LINEUP, 0);
    EXPECT_EQ(geometry.ScrollX(), 99);
    geometry.Scroll(true, SB_THUMBTRACK, 77);
    EXPECT_EQ(geometry.ScrollY(), 77);
    geometry.Scroll(true, SB_ENDSCROLL, 5);
    EXPECT_EQ(geometry.ScrollY(), 77);

    // Clamped to 0 and to zoomed size minus client size.
    geometry.Scroll(true, SB_THUMBPOSITION, 500);
    EXPECT_EQ(geometry.ScrollY(), 100);
    geometry.Scroll(false, SB_THUMBTRACK, -5);
    EXPECT_EQ(geometry.ScrollX(), 0);
}

TEST(PreviewGeometry, ResetKeepsTheImageSizeAndRestoresFitAtZoomOne)
{
    CPreviewGeometry geometry = Loaded(400, 300, 200, 200);
    geometry.PreparePaint();
    geometry.ZoomIn();
    geometry.Reset();
    EXPECT_TRUE(geometry.IsFit());
    EXPECT_EQ(geometry.Zoom(), 1.0);
    ExpectOffsets(geometry, 0, 0);
    EXPECT_EQ(geometry.ImageWidth(), 400);
    EXPECT_FALSE(geometry.UpdateScrollBars(false).horizontal.bVisible);
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
