// CLinkLabel: a static text that behaves as a web link, with hover, visited colour, hand cursor and tooltip.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>

#include <optional>

// A label shown in the link colour that turns red while the mouse is over
// it and opens its target when clicked. It is a plain label until Attach,
// which a dialog calls once the label has its text, font and place.
class CLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit CLinkLabel(QWidget* pParent = nullptr);

    // Makes the label a link: the target and the text stand in for each
    // other when one is empty, the fonts come from the label's own, the
    // label shrinks to its text and gets the hand cursor and the tooltip.
    void Attach();
    bool IsAttached() const { return m_bAttached; }

    void SetTarget(const QString& target);
    // Whether the target counts as visited (drawn in m_clrVisited).
    void MarkOpened(bool bOpened);
    // -1: underlined while the mouse is over it; 1: always; else never.
    void SetUnderlineMode(int nMode);
    // Sizes the label to its text in the underlined font, keeping the edge
    // or the centre its alignment keeps.
    void FitToText();
    // The result code of opening `target`: above 32 when it was opened.
    int OpenTarget(const QString& target);
    // "Unable to open hyperlink:" with the text for `nCode`.
    static void ShowOpenError(int nCode);

    // The colour the text is drawn in now.
    QColor TextColour() const;
    bool IsHoverTimerActive() const { return m_hoverTimer.isActive(); }

    QColor m_clrLink{0, 0, 238};
    QColor m_clrVisited{85, 26, 139};
    QColor m_clrHover{255, 0, 0};
    bool m_bMouseInside = false;
    bool m_bWasOpened = false;
    int m_nUnderlineMode = -1;
    bool m_bFitToText = true;
    QString m_strTarget;
    QFont m_fontUnderlined;
    QFont m_fontPlain;
    std::optional<QCursor> m_handCursor;
    // How often the hover timer looks whether the mouse has left.
    static constexpr int kHoverTimerMs = 100;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void LoadHandCursor();
    void OnMouseMove();
    void OnHoverTimer();
    void OnClicked();

    QBasicTimer m_hoverTimer;
    bool m_bAttached = false;
    bool m_bPressed = false;
};
