// CStereoDlg: files dropped on the dialog from the desktop.
#include "app/stereo_dlg.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace {

// The dropped local files, in the drop's order; none when anything else
// comes along (a web address, text), so that the drop is refused whole.
std::vector<std::string> DroppedFiles(const QMimeData& data)
{
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

// Accepts the drop as a copy, never as a move, which would let the source
// delete the files; false when it is refused.
bool AcceptAsCopy(QDropEvent& event, bool bJobRunning)
{
    const bool bAccepted
        = !bJobRunning && event.possibleActions().testFlag(Qt::CopyAction) && !DroppedFiles(*event.mimeData()).empty();
    if (bAccepted)
        event.setDropAction(Qt::CopyAction);
    event.setAccepted(bAccepted);
    return bAccepted;
}

} // namespace

void CStereoDlg::dragEnterEvent(QDragEnterEvent* pEvent)
{
    AcceptAsCopy(*pEvent, IsJobRunning());
}

// The files open after the drop has ended, so that the desktop's drag
// never waits on a message about them.
void CStereoDlg::dropEvent(QDropEvent* pEvent)
{
    if (!AcceptAsCopy(*pEvent, IsJobRunning()))
        return;
    const bool bRight = pEvent->position().x() >= width() / 2.0;
    QTimer::singleShot(0, this,
                       [this, paths = DroppedFiles(*pEvent->mimeData()), bRight] { OpenFiles(paths, bRight); });
}
