// CKeptFile: the earlier file comes back after a failed replacement, and no hidden link stays behind.
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "engine/kept_file.h"
#include "test_images.h"

#include <gtest/gtest.h>

namespace {

void Replace(const std::string& path, std::uint8_t level)
{
    ASSERT_TRUE(SaveImageFile(UniformImage(4, 4, level, level, level), path, kFormatBmp));
}

} // namespace

TEST(KeptFile, RestoreBringsBackTheEarlierFileOrRemovesAFirstOne)
{
    CTempFolder folder;
    const std::string path = folder.File("map.bmp");
    Replace(path, 1);
    const std::string earlier = ReadBytes(path);
    {
        CKeptFile kept(path);
        EXPECT_TRUE(kept.HasEarlier());
        Replace(path, 2);
        kept.Restore();
    }
    EXPECT_EQ(ReadBytes(path), earlier);
    {
        CKeptFile kept(path); // the replacement failed before touching the file
        kept.Restore();
    }
    EXPECT_EQ(ReadBytes(path), earlier);
    {
        CKeptFile kept(folder.File("new.bmp"));
        EXPECT_FALSE(kept.HasEarlier());
        Replace(folder.File("new.bmp"), 3);
        kept.Restore();
    }
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"map.bmp"});
}

TEST(KeptFile, CommitKeepsTheNewFileAndDropsTheLink)
{
    CTempFolder folder;
    const std::string path = folder.File("map.bmp");
    Replace(path, 1);
    {
        CKeptFile kept(path);
        Replace(path, 2);
        kept.Commit();
    }
    EXPECT_EQ(LoadImageFile(path).image, UniformImage(4, 4, 2, 2, 2));
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"map.bmp"});
}
