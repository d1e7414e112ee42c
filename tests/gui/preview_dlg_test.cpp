// The preview dialog and its pane: the file drawn upright on the frame, the zoom buttons, the scroll bars' wiring,
// the loading messages, the edge at every scale factor.
#include "gui/gui_test_support.h"
#include "preview/preview_dlg.h"
#include "preview/preview_pane.h"
#include "preview/preview_pane_wnd.h"

#include <QPushButton>
#include <QScrollBar>

namespace {

const QColor kBlue(0, 0, 255), kRed(255, 0, 0);

// A 1000 x 800 image whose bottom 100 rows (from row 0) are red and whose other rows are blue, shown in the dialog
// and fitted to its pane once drawn.
class PreviewDlgTest : public testing::Test {
protected:
    PreviewDlgTest()
    {
        CImage image = UniformImage(1000, 800, 255, 0, 0);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 1000; ++x)
                std::swap(image.Pixel(x, y)[0], image.Pixel(x, y)[2]);
        EXPECT_TRUE(SaveImageFile(image, m_path, kFormatBmp));
        m_pDialog->m_strFileName = m_path;
        m_pDialog->show();
        EXPECT_TRUE(WaitUntil([] { return g_wndPreviewPane.Geometry().Zoom() < 1; }));
    }
    CPreviewPaneWnd& Wnd() { return *static_cast<CPreviewPaneWnd*>(g_wndPreviewPane.Window()); }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    const std::string m_path = m_folder.File("map-3dmap.bmp");
    std::unique_ptr<CPreviewDlg> m_pDialog = std::make_unique<CPreviewDlg>();
};

} // namespace

// Down the middle of the pane the blue rows come first, then the red ones.
// An empty name keeps the picture, a missing file clears it; the pane goes
// with its dialog, cleared.
TEST_F(PreviewDlgTest, ShowsTheFileUprightOnItsFrameWithZoomButtons)
{
    EXPECT_EQ(std::tuple(Text(*m_pDialog, IDC_FILE_NAME), Wnd().geometry()),
              std::tuple(QString::fromStdString(m_path), m_pDialog->GetItemRect(IDC_PREVIEW_FRAME)));
    const QImage shot = Wnd().grab(Wnd().ClientRect()).toImage();
    std::vector<QColor> colours; // of each run of blue or red
    for (int y = 0; y < shot.height(); ++y)
        if (const QColor c = shot.pixelColor(shot.width() / 2, y);
            (c == kBlue || c == kRed) && (colours.empty() || colours.back() != c))
            colours.push_back(c);
    EXPECT_EQ(colours, (std::vector<QColor>{kBlue, kRed}));
    std::vector<double> zooms;
    for (const int nButton : {IDC_ZOOM_IN, IDC_ZOOM_IN, IDC_ZOOM_OUT})
        Click(*m_pDialog, nButton), zooms.push_back(g_wndPreviewPane.Geometry().Zoom());
    EXPECT_EQ(zooms, (std::vector<double>{1, 2, 1}));
    EXPECT_FALSE(g_wndPreviewPane.LoadFile(""));
    EXPECT_TRUE(g_wndPreviewPane.HasImage());
    EXPECT_FALSE(g_wndPreviewPane.LoadFile(m_folder.File("missing.png")));
    EXPECT_FALSE(g_wndPreviewPane.HasImage());
    EXPECT_EQ(m_platform.m_messages,
              (TTexts{"CPreviewPane::LoadFile(): no file name provided",
                      "File " + m_folder.File("missing.png") + " could not be opened."}));
    m_pDialog.reset();
    EXPECT_EQ(std::tuple(g_wndPreviewPane.Window(), g_wndPreviewPane.Path()), std::tuple(nullptr, ""));
}

// At zoom 1 the bars show the client, now without them, as their page.
// Each bar action moves the picture as its scroll code says (a line 1, a
// page 20 pixels, a drag to the thumb), and the bar follows.
TEST_F(PreviewDlgTest, ScrollBarActionsScrollThePictureAndTheBarsFollow)
{
    g_wndPreviewPane.ZoomIn();
    g_wndPreviewPane.SetScrollOffsets(100, 100);
    QScrollBar& horizontal = *Wnd().HorizontalBar();
    QScrollBar& vertical = *Wnd().VerticalBar();
    const CPreviewGeometry& geometry = g_wndPreviewPane.Geometry();
    EXPECT_EQ(std::tuple(horizontal.isVisible(), horizontal.pageStep(), horizontal.maximum()),
              std::tuple(true, geometry.ClientWidth(), 1000 - geometry.ClientWidth()));
    EXPECT_EQ(std::tuple(vertical.isVisible(), vertical.pageStep(), vertical.maximum()),
              std::tuple(true, geometry.ClientHeight(), 800 - geometry.ClientHeight()));
    using A = QAbstractSlider::SliderAction;
    const std::tuple<QScrollBar*, A, int> actions[]
        = {{&horizontal, A::SliderSingleStepAdd, 101}, {&horizontal, A::SliderSingleStepSub, 99},
           {&horizontal, A::SliderPageStepAdd, 120},   {&horizontal, A::SliderPageStepSub, 80},
           {&horizontal, A::SliderToMinimum, 99},      {&horizontal, A::SliderToMaximum, 101},
           {&horizontal, A::SliderMove, 150},          {&vertical, A::SliderPageStepSub, 80}};
    for (const auto& [pBar, action, nExpected] : actions) {
        g_wndPreviewPane.SetScrollOffsets(100, 100);
        // A drag is a move to the position, which the bar reports as the action.
        action == A::SliderMove ? pBar->setSliderPosition(150) : pBar->triggerAction(action);
        const int nOffset = pBar == &vertical ? geometry.ScrollY() : geometry.ScrollX();
        EXPECT_EQ(std::tuple(nOffset, pBar->value()), std::tuple(nExpected, nExpected)) << action;
    }
}

// At every scale factor the edge shows on all four sides, also where they
// fall inside device pixels (at 1.5, x = 25 is 37.5): across the middle of
// each side a pixel differs from both the parent outside and the pane inside.
TEST(PreviewPaneWnd, DrawsItsWholeEdgeAtEveryScaleFactor)
{
    CPreviewPane pane; // outlives its window, which calls it as it goes
    QWidget parent;
    parent.resize(220, 150);
    pane.Create(&parent, QRect(25, 33, 162, 82), 1);
    parent.show();
    for (const double dScale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        QImage shot(parent.size() * dScale, QImage::Format_RGB32);
        shot.setDevicePixelRatio(dScale);
        parent.render(&shot);
        for (const auto& [bVertical, nSide, nAlong] :
             {std::tuple(false, 25, 74), {false, 187, 74}, {true, 33, 106}, {true, 115, 106}}) {
            const int nAcross = int(nSide * dScale), nAt = int(nAlong * dScale);
            const auto pixel = [&, bVertical = bVertical](int n) {
                return bVertical ? shot.pixel(nAt, nAcross + n) : shot.pixel(nAcross + n, nAt);
            };
            bool bEdge = false;
            for (int n = -2; n <= 2; ++n)
                bEdge = bEdge || (pixel(n) != pixel(-3) && pixel(n) != pixel(3));
            EXPECT_TRUE(bEdge) << dScale << (bVertical ? " y = " : " x = ") << nSide;
        }
    }
}
