// The layer over the desktop: the "Open image" dialog's filter.
#include "gui/gui_test_support.h"

#include <QAbstractItemView>
#include <QFileDialog>

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
