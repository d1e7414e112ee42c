// The layer over the desktop: the "Open image" dialog's filter and the text of its message boxes.
#include "gui/gui_test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// The names the dialog's file list offers in its current folder.
QStringList OfferedNames(const QFileDialog& dialog)
{
    const auto* pView = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    for (int row = 0; pView != nullptr && row < pView->model()->rowCount(pView->rootIndex()); ++row)
        names << pView->model()->index(row, 0, pView->rootIndex()).data().toString();
    names.sort();
    return names;
}

} // namespace

TEST(DesktopPlatform, OpenImageOffersImageFilesWhateverTheirLetterCase)
{
    CTempFolder folder;
    for (const char* name : {"IMG_0001.JPG", "left.png", "map.Tif", "b.bmp", "notes.txt", "raw.bmp.gz"})
        WriteBytes(folder.File(name), "x");
    QFileDialog dialog;
    ConfigureOpenImageDialog(dialog);
    dialog.setDirectory(QString::fromStdString(folder.Path().string()));
    EXPECT_EQ(dialog.windowTitle(), "Open image");
    const QStringList expected{"IMG_0001.JPG", "b.bmp", "left.png", "map.Tif"};
    EXPECT_TRUE(WaitUntil([&] { return OfferedNames(dialog) == expected; }, 5000))
        << OfferedNames(dialog).join(' ').toStdString();
}

// A number's hyphen before a word is a non-breaking one in the box, so
// "24-bit" stays on one line; the hyphens of a path stay as they are.
TEST(DesktopPlatform, MessageBoxesKeepANumberAndItsWordOnOneLine)
{
    QStringList shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            shown << pBox->text(), pBox->accept();
    });
    closer.start(5);
    CDesktopPlatform().ShowMessage("Couldn't split a.jps: it is not a 24-bit colour image.");
    CDesktopPlatform().ShowMessage("File /photos/2024-summer/left-3dmap.bmp could not be opened.");
    EXPECT_EQ(shown,
              (QStringList{QStringLiteral("Couldn't split a.jps: it is not a 24\u2011bit colour image."),
                           "File /photos/2024-summer/left-3dmap.bmp could not be opened."}));
}
