// CStageHost: the one interface through which stages reach the user.
#pragma once

#include <string>

// A front end implements this to show what the stages report: the desktop
// app with message boxes, a status line and a progress bar, the command-line
// tool on the terminal, the tests by recording every call.
//
// Progress protocol of a row-by-row stage: SetProgressRange(n) before the
// first row (range 0..n, step 1), StepProgress() after each row, and
// ResetProgress() (position 0) when the stage ends. SetProgressRange(0)
// says that work of unknown length is under way (reading the sources): a
// busy bar, until the next range.
class CStageHost {
public:
    virtual ~CStageHost() = default;

    // A failure the user must read: a modal message with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // Something worth knowing that needs no answer (a job waiting for
    // another one, why a file could not be read): the command-line tool
    // prints it on stderr, the dialogs show it on their status line.
    virtual void ShowNotice(const std::string& text) { (void)text; }
    virtual void SetProgressRange(int nRows) = 0;
    virtual void StepProgress() = 0;
    virtual void ResetProgress() = 0;
    // Called once per row by the long stages so that a single-threaded front
    // end can let pending window events through.
    virtual void PumpEvents() { }
    // Polled once per row; when true the running stage stops, writes nothing
    // and the job ends without a message.
    virtual bool IsCancelled() const { return false; }
};
