// CDigitEdit: an edit box that takes only the digits 0 to 9 and backspace as typed input.
#include "platform/digit_edit.h"

#include <QKeyEvent>

namespace {

// Control characters (Enter, Escape, Tab) are not typed input: they go on
// to the edit box and the dialog as usual.
bool TypesForbiddenCharacter(const QKeyEvent& event)
{
    for (const QChar c : event.text())
        if (c.isPrint() && (c < u'0' || c > u'9'))
            return true;
    return false;
}

} // namespace

void CDigitEdit::keyPressEvent(QKeyEvent* pEvent)
{
    if (TypesForbiddenCharacter(*pEvent)) {
        pEvent->accept();
        return;
    }
    QLineEdit::keyPressEvent(pEvent);
}
