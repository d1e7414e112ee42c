// CDigitEdit: an edit box that takes only the digits 0 to 9 and backspace as typed input.
#pragma once

#include <QLineEdit>

class CDigitEdit : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

protected:
    // Every other printable character is dropped; keys that type nothing
    // printable (arrows, Delete, Enter, shortcuts) keep their usual meaning.
    void keyPressEvent(QKeyEvent* pEvent) override;
};
