// CPlatform: message boxes, the "Open image" dialog, the desktop's default handler and the wait cursor.
#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

// Keeps the dialog open, as the desktop dialogs do, when the typed name
// points into a folder that does not exist; a missing file in an existing
// folder is accepted and reported later by whoever loads it.
class COpenImageDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !QFileInfo(files.first()).absoluteDir().exists()) {
            QMessageBox::warning(this, windowTitle(), QStringLiteral("The folder of this file does not exist."));
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

CPlatform& CPlatform::Current()
{
    return CurrentService<CPlatform, CDesktopPlatform>();
}

std::string AppName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

void ShowMessageBox(const std::string& text)
{
    CPlatform::Current().ShowMessage(text);
}

void CDesktopPlatform::ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(AppName()), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void ConfigureOpenImageDialog(QFileDialog& dialog)
{
    dialog.setWindowTitle(QStringLiteral("Open image"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog matches the patterns regardless of letter case, so
    // IMG_0001.JPG is offered as on the desktops the program came from.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(
        {QStringLiteral("Image files (*.bmp *.png *.tif *.jpg)"), QStringLiteral("Stereo files (*.mpo *.jps)")});
}

std::optional<std::string> CDesktopPlatform::GetOpenImagePath(QWidget* pParent)
{
    COpenImageDialog dialog(pParent);
    ConfigureOpenImageDialog(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? std::string() : QDir::toNativeSeparators(files.first()).toStdString();
}

bool CDesktopPlatform::OpenDocument(const QUrl& url)
{
    // The desktop's opener starts detached and cannot tell whether a local
    // file exists, so that is checked here.
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile())
        return false;
    return QDesktopServices::openUrl(url);
}

CWaitCursor::CWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor()
{
    QApplication::restoreOverrideCursor();
}
