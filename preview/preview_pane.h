// CPreviewPane: an image view that fits, zooms by whole steps, centres and scrolls one image file.
#pragma once

#include "preview/preview_geometry.h"

#include <QImage>
#include <QPointer>
#include <QRect>

#include <string>

class CPreviewPaneWnd;
class QPainter;
class QWidget;

// The pane object lives for the whole run (the panes are global objects,
// made before any window can exist); its window is created by the dialog
// that shows it and goes away with that dialog, which clears the pane. So
// each new window starts empty.
class CPreviewPane {
public:
    CPreviewPane();
    ~CPreviewPane();
    CPreviewPane(const CPreviewPane&) = delete;
    CPreviewPane& operator=(const CPreviewPane&) = delete;

    // Creates the pane's window ("PREVIEW_PANE": sunken edge, own scroll
    // bars) at `rect` in `pParent`, with the child id `nId`.
    bool Create(QWidget* pParent, const QRect& rect, int nId);
    // Loads and shows an image file; a message tells why when it cannot.
    bool LoadFile(std::string path);
    void Clear();
    void UpdateScrollBars();
    void SetScrollOffsets(int x, int y);
    double FitToWindow();
    double ZoomIn();
    double ZoomOut();

    QWidget* Window() const;
    const std::string& Path() const { return m_strPath; }
    bool HasImage() const { return !m_image.isNull(); }
    const CPreviewGeometry& Geometry() const { return m_geometry; }

    // Called by the window.
    void OnPaint(QPainter& painter);
    void OnHScroll(int nCode, int nPosition);
    void OnVScroll(int nCode, int nPosition);
    void OnDestroy();

private:
    void ReadClientRect();
    void Scroll(bool bVertical, int nCode, int nPosition);

    QPointer<CPreviewPaneWnd> m_pWnd;
    QImage m_image; // converted once for drawing, top row first
    std::string m_strPath;
    CPreviewGeometry m_geometry;
};
