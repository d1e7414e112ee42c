// CPreviewPane: loading, clearing, zooming and scrolling an image pane, and drawing its picture.
#include "preview/preview_pane.h"

#include "engine/io/image_file.h"
#include "platform/platform.h"
#include "preview/preview_pane_wnd.h"

#include <QPainter>

namespace {

// The image's rows come bottom row first with bytes blue, green, red; the
// drawable copy has the top row first.
QImage ToDrawable(const CImage& image)
{
    QImage drawable(image.Width(), image.Height(), QImage::Format_RGB32);
    for (int y = 0; y < image.Height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(drawable.scanLine(image.Height() - 1 - y));
        const std::uint8_t* pPixel = image.Row(y).data();
        for (int x = 0; x < image.Width(); ++x, pPixel += CImage::kBytesPerPixel)
            pLine[x] = qRgb(pPixel[2], pPixel[1], pPixel[0]);
    }
    return drawable;
}

} // namespace

CPreviewPane::CPreviewPane() = default;

CPreviewPane::~CPreviewPane() = default;

bool CPreviewPane::Create(QWidget* pParent, const QRect& rect, int nId)
{
    delete m_pWnd.data(); // a pane has one window at a time
    m_pWnd = new CPreviewPaneWnd(*this, pParent);
    m_pWnd->setObjectName(QStringLiteral("control_%1").arg(nId));
    m_pWnd->setGeometry(rect);
    m_pWnd->show();
    return true;
}

QWidget* CPreviewPane::Window() const
{
    return m_pWnd.data();
}

void CPreviewPane::ReadClientRect()
{
    const QRect client = m_pWnd ? m_pWnd->ClientRect() : QRect();
    m_geometry.SetClient(client.width(), client.height());
}

bool CPreviewPane::LoadFile(std::string path)
{
    if (path.empty()) {
        ShowMessageBox("CPreviewPane::LoadFile(): no file name provided");
        return false;
    }
    ReadClientRect();
    Clear();
    m_strPath = path;
    SLoadResult loaded = LoadImageFile(path);
    if (loaded.status != ELoadStatus::kOk) {
        ShowMessageBox("File " + path + " could not be opened.");
        return false;
    }
    m_image = ToDrawable(loaded.image);
    m_geometry.SetImageSize(loaded.image.Width(), loaded.image.Height());
    UpdateScrollBars();
    return true;
}

void CPreviewPane::Clear()
{
    m_image = QImage();
    m_strPath.clear();
    m_geometry.Reset();
    UpdateScrollBars();
}

void CPreviewPane::SetScrollOffsets(int x, int y)
{
    m_geometry.SetScrollOffsets(x, y);
    UpdateScrollBars();
}

void CPreviewPane::UpdateScrollBars()
{
    ReadClientRect();
    const SScrollBarsSetup bars = m_geometry.UpdateScrollBars(!m_strPath.empty());
    if (!m_pWnd)
        return;
    m_pWnd->ApplyScrollBars(bars);
    m_pWnd->repaint();
}

double CPreviewPane::FitToWindow()
{
    m_geometry.FitToWindow();
    UpdateScrollBars();
    return m_geometry.Zoom();
}

double CPreviewPane::ZoomIn()
{
    ReadClientRect();
    m_geometry.ZoomIn();
    UpdateScrollBars();
    return m_geometry.Zoom();
}

double CPreviewPane::ZoomOut()
{
    ReadClientRect();
    m_geometry.ZoomOut();
    UpdateScrollBars();
    return m_geometry.Zoom();
}

void CPreviewPane::OnPaint(QPainter& painter)
{
    ReadClientRect();
    if (m_image.isNull())
        return;
    const SDrawRects rects = MakeDrawRects(m_geometry.PreparePaint(), m_image.width(), m_image.height());
    if (rects.IsEmpty())
        return;
    painter.drawImage(QRectF(rects.dTargetX, rects.dTargetY, rects.dTargetWidth, rects.dTargetHeight), m_image,
                      QRectF(rects.nSourceX, rects.nSourceY, rects.nSourceWidth, rects.nSourceHeight));
}

void CPreviewPane::Scroll(bool bVertical, int nCode, int nPosition)
{
    m_geometry.Scroll(bVertical, nCode, nPosition);
    UpdateScrollBars();
}

void CPreviewPane::OnHScroll(int nCode, int nPosition)
{
    Scroll(false, nCode, nPosition);
}

void CPreviewPane::OnVScroll(int nCode, int nPosition)
{
    Scroll(true, nCode, nPosition);
}

void CPreviewPane::OnDestroy()
{
    m_pWnd = nullptr;
    Clear();
}
