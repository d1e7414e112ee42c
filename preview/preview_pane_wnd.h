// CPreviewPaneWnd: the window of a CPreviewPane, with a sunken edge and its own scroll bars.
#pragma once

#include "preview/preview_geometry.h"

#include <QFrame>

class CPreviewPane;
class QPainter;
class QScrollBar;

// Draws through its pane and forwards the scroll bars' notifications to it.
// The client area is the inside of the edge without the shown scroll bars.
class CPreviewPaneWnd : public QFrame {
    Q_OBJECT

public:
    CPreviewPaneWnd(CPreviewPane& pane, QWidget* pParent);
    ~CPreviewPaneWnd() override;

    QRect ClientRect() const;
    void ApplyScrollBars(const SScrollBarsSetup& bars);
    QScrollBar* HorizontalBar() const { return m_pHorizontal; }
    QScrollBar* VerticalBar() const { return m_pVertical; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;

private:
    void OnBarAction(bool bVertical, int nAction);
    void LayOutBars();
    void DrawEdge(QPainter& painter);
    int BarExtent() const;

    CPreviewPane& m_pane;
    QScrollBar* m_pHorizontal;
    QScrollBar* m_pVertical;
};
