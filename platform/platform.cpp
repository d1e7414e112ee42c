// CPlatform: message boxes, the "Open image" dialog, the desktop's default handler and the wait cursor.
#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
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

// The box wraps its text at the width it chooses, and a line may break after
// any hyphen, which splits "24-bit" into "24-" and "bit". A number's hyphen
// before a word is shown non-breaking (U+2011, drawn as a hyphen). Only a
// number that starts a word counts, so the hyphens of a path
// (".../2024-summer/") stay the ones the user would copy.
QString MessageBoxText(const std::string& text)
{
    static const QRegularExpression numberWord(QStringLiteral("(^|\\s)(\\d+)-(?=\\p{L})"));
    return QString::fromStdString(text).replace(numberWord, QStringLiteral("\\1\\2\u2011"));
}

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
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(AppName()), MessageBoxText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    // A message names files, and a file name such as "<b>x.bmp" must show as written, not as markup.
    box.setTextFormat(Qt::PlainText);
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
