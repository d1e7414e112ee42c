// The preview pane's window and the preview dialog: loading and its messages, drawing, scroll bars, zoom buttons.
#include "gui/gui_test_support.h"
#include "preview/preview_dlg.h"
#include "preview/preview_pane.h"
#include "preview/preview_pane_wnd.h"
#include "resources/resource_ids.h"
#include "support/test_images.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// An image whose bottom rows (from row 0) are red and whose other rows are blue.
CImage RedBottomRows(int nWidth, int nHeight, int nRedRows = 1)
{
    CImage image = UniformImage(nWidth, nHeight, 255, 0, 0);
    for (int y = 0; y < nRedRows; ++y)
        for (int x = 0; x < nWidth; ++x) {
            image.Pixel(x, y)[0] = 0;
            image.Pixel(x, y)[2] = 255;
        }
    return image;
}

class PreviewPaneTest : public testing::Test {
protected:
    // A pane whose client area is exactly cw x ch pixels.
    void MakePane(int cw, int ch)
    {
        m_pParent = std::make_unique<QWidget>();
        m_pParent->resize(cw + 40, ch + 40);
        m_pane.Create(m_pParent.get(), QRect(0, 0, cw, ch), IDC_PREVIEW_PANE);
        auto* pWnd = static_cast<CPreviewPaneWnd*>(m_pane.Window());
        const QRect client = pWnd->ClientRect();
        pWnd->resize(cw + (cw - client.width()), ch + (ch - client.height()));
        m_pParent->show();
    }
    CPreviewPaneWnd& Wnd() { return *static_cast<CPreviewPaneWnd*>(m_pane.Window()); }
    // The pixel colour at client point (x, y), as painted.
    QColor ClientPixel(int x, int y)
    {
        const QImage shot = Wnd().grab().toImage();
        return shot.pixelColor(Wnd().ClientRect().topLeft() + QPoint(x, y));
    }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    CPreviewPane m_pane;
    std::unique_ptr<QWidget> m_pParent;
};

} // namespace

TEST_F(PreviewPaneTest, DrawsTheBottomUpRowsUprightAndCentred)
{
    MakePane(200, 200);
    const std::string path = m_folder.File("small.bmp");
    WriteImage(RedBottomRows(100, 80), path);
    ASSERT_TRUE(m_pane.LoadFile(path));
    EXPECT_EQ(ClientPixel(60, 139), QColor(255, 0, 0)); // the bottom row, drawn at y = 60 + 79
    EXPECT_EQ(ClientPixel(60, 60), QColor(0, 0, 255));
    EXPECT_NE(ClientPixel(49, 100), QColor(0, 0, 255)); // background left of the picture
    EXPECT_TRUE(Wnd().HorizontalBar()->isHidden());
}

TEST_F(PreviewPaneTest, FitsALargeImageAndShowsScrollBarsAtZoomOne)
{
    MakePane(200, 200);
    const std::string path = m_folder.File("large.png");
    WriteImage(RedBottomRows(400, 300, 4), path);
    ASSERT_TRUE(m_pane.LoadFile(path));
    Wnd().grab();
    EXPECT_EQ(m_pane.Geometry().Zoom(), 0.5);
    EXPECT_EQ(ClientPixel(100, 174), QColor(255, 0, 0)); // four rows at half size end at 25 + 150 - 1

    m_pane.ZoomIn();
    EXPECT_EQ(m_pane.Geometry().ScrollX(), 100);
    QScrollBar& horizontal = *Wnd().HorizontalBar();
    EXPECT_FALSE(horizontal.isHidden());
    EXPECT_EQ(horizontal.pageStep(), 200);
    EXPECT_EQ(horizontal.maximum(), 200); // positions run to 399 - 200 + 1
    EXPECT_EQ(horizontal.value(), 100);

    // The bar's page step moves by 20 pixels, whatever the pane's size.
    horizontal.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(m_pane.Geometry().ScrollX(), 120);
    EXPECT_EQ(horizontal.value(), 120);
}

TEST_F(PreviewPaneTest, ReportsAnEmptyNameAndAMissingFile)
{
    MakePane(200, 200);
    const std::string path = m_folder.File("small.bmp");
    WriteImage(RedBottomRows(10, 10), path);
    ASSERT_TRUE(m_pane.LoadFile(path));

    EXPECT_FALSE(m_pane.LoadFile(""));
    EXPECT_EQ(m_pane.Path(), path); // the picture stays
    EXPECT_TRUE(m_pane.HasImage());

    const std::string missing = m_folder.File("missing.png");
    EXPECT_FALSE(m_pane.LoadFile(missing));
    EXPECT_EQ(m_pane.Path(), missing);
    EXPECT_FALSE(m_pane.HasImage());
    EXPECT_EQ(m_platform.m_messages,
              (std::vector<std::string>{"CPreviewPane::LoadFile(): no file name provided",
                                        "File " + missing + " could not be opened."}));
}

TEST(PreviewDlg, ShowsTheFileWithZoomButtonsAndStartsAfreshEachTime)
{
    CRecordingPlatform platform;
    CTempFolder folder;
    const std::string path = folder.File("map-3dmap.bmp");
    WriteImage(RedBottomRows(1000, 800), path);
    for (int nOpening = 0; nOpening < 2; ++nOpening) {
        CPreviewDlg dialog;
        dialog.m_strFileName = path;
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Image Preview");
        EXPECT_EQ(dialog.GetItem<QLabel>(IDC_FILE_NAME)->text().toStdString(), path);
        EXPECT_EQ(dialog.GetItem<QPushButton>(IDCANCEL)->text(), "Close");
        EXPECT_EQ(g_wndPreviewPane.Window()->geometry(), dialog.GetItemRect(IDC_PREVIEW_FRAME));
        ASSERT_TRUE(WaitUntil([] { return g_wndPreviewPane.Geometry().Zoom() < 1; }));
        EXPECT_TRUE(g_wndPreviewPane.Geometry().IsFit());
        dialog.GetItem<QPushButton>(IDC_ZOOM_IN)->click();
        dialog.GetItem<QPushButton>(IDC_ZOOM_IN)->click();
        EXPECT_EQ(g_wndPreviewPane.Geometry().Zoom(), 2.0);
        dialog.GetItem<QPushButton>(IDC_ZOOM_OUT)->click();
        EXPECT_EQ(g_wndPreviewPane.Geometry().Zoom(), 1.0);
    }
    EXPECT_TRUE(platform.m_messages.empty());
    EXPECT_EQ(g_wndPreviewPane.Window(), nullptr); // gone with its dialog, and cleared
    EXPECT_TRUE(g_wndPreviewPane.Path().empty());
}

TEST(PreviewDlg, OpensWithAnEmptyPaneAfterReportingAMissingName)
{
    CRecordingPlatform platform;
    CPreviewDlg dialog;
    dialog.show();
    EXPECT_EQ(platform.m_messages, std::vector<std::string>{"CPreviewPane::LoadFile(): no file name provided"});
    EXPECT_TRUE(dialog.GetItem<QLabel>(IDC_FILE_NAME)->text().isEmpty());
    EXPECT_FALSE(g_wndPreviewPane.HasImage());
    dialog.GetItem<QPushButton>(IDCANCEL)->click();
    EXPECT_FALSE(dialog.isVisible());
}
