// EXIF orientation: JPEG photos load upright as their EXIF block says, or as stored when asked (by a command for
// all its loads); a damaged or hostile block loads the photo as stored.
#include "engine/io/image_file.h"
#include "engine/job/file_command.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An EXIF block whose IFD 0 holds one entry, the orientation n as a SHORT, in either byte order: after "Exif\0\0",
// the order and 42 (bytes 6 to 9), IFD 0's offset (8), its entry count (1); the entry's tag at 16 (0x112), type at 18
// (3), count at 20 (1) and value at 24.
std::string ExifBlock(int n, bool bBigEndian = false)
{
    std::string block = bBigEndian
        ? std::string("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0?\0\0\0\0\0\0", 32)
        : std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0?\0\0\0\0\0\0\0", 32);
    block[bBigEndian ? 25 : 24] = static_cast<char>(n);
    return block;
}

std::string Replaced(std::string block, std::size_t nAt, const std::string& bytes)
{
    return block.replace(nAt, bytes.size(), bytes);
}

// The JPEG stream with an APP1 segment holding the block after its start marker.
std::string WithApp1(const std::string& jpeg, const std::string& block)
{
    return jpeg.substr(0, 2) + "\xFF\xE1" + char(0) + char(block.size() + 2) + block + jpeg.substr(2);
}

// The picture as seen: orientations 5 to 8 lay the stored rows down as columns, the first on the left; then 2, 3, 6
// and 7 mirror it left to right, and 3, 4, 7 and 8 top to bottom.
CImage Seen(const CImage& stored, int n)
{
    const int w = stored.Width(), h = stored.Height();
    const bool bLaid = n >= 5, bMirrored = n % 4 / 2 == 1, bFlipped = (n - 1) % 4 >= 2;
    CImage seen(bLaid ? h : w, bLaid ? w : h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int nX = bLaid ? y : x, nY = bLaid ? x : y;
            std::copy_n(stored.Pixel(x, h - 1 - y), 3,
                        seen.Pixel(bMirrored ? seen.Width() - 1 - nX : nX, bFlipped ? nY : seen.Height() - 1 - nY));
        }
    return seen;
}

// A command that loads one file twice, decoded ahead and then again, as a job's stages do.
class CLoadCommand : public CFileCommand {
public:
    using CFileCommand::CFileCommand;
    std::pair<CImage, CImage> Load(const std::string& path)
    {
        std::pair<CImage, CImage> images;
        RunInFolders({path}, {}, false, [&] {
            m_files.Prefetch({path});
            images = {*m_files.Load(path, ""), *m_files.Load(path, "")};
            return true;
        });
        return images;
    }
};

} // namespace

// Orientations 1 to 8 in either byte order (also as a LONG, which libexif makes a SHORT); the stored pixels when asked
// for; and blocks read as 1: a value out of range, text or another tag, IFD 0 or the values beyond the block, a block
// cut short.
TEST(ExifOrientation, JpegPhotosLoadUprightUnlessTheStoredPixelsAreAskedFor)
{
    CTempFolder folder;
    std::mt19937 random(6);
    const std::string jpeg = EncodeJpeg(RandomImage(13, 6, random)), path = folder.File("photo.jpg");
    WriteBytes(path, jpeg);
    const CImage stored = LoadImageFile(path).image;
    using enum EOrientation;
    std::vector<std::tuple<std::string, EOrientation, int>> cases
        = {{ExifBlock(6), kStored, 1},
           {ExifBlock(9), kUpright, 1},
           {Replaced(ExifBlock(6), 18, std::string("\x04\0", 2)), kUpright, 6},
           {Replaced(ExifBlock(6), 18, std::string("\x02\0", 2)), kUpright, 1},
           {Replaced(ExifBlock(6), 10, "\xF0\xFF\xFF\xFF"), kUpright, 1},
           {Replaced(ExifBlock(6), 20, "\x03\0\0\0\xF0\xFF\xFF\xFF"), kUpright, 1},
           {Replaced(ExifBlock(6), 16, "\x13"), kUpright, 1},
           {ExifBlock(6).substr(0, 22), kUpright, 1}};
    for (int n = 1; n <= 8; ++n)
        cases.insert(cases.end(), {{ExifBlock(n), kUpright, n}, {ExifBlock(n, true), kUpright, n}});
    for (const auto& [block, orientation, n] : cases) {
        SCOPED_TRACE(testing::PrintToString(block));
        WriteBytes(path, WithApp1(jpeg, block));
        const SLoadResult loaded = LoadImageFile(path, EImageCodec::kByName, -1, orientation);
        const CImage seen = Seen(stored, n);
        EXPECT_EQ(std::tuple(loaded.status, loaded.nWidth, loaded.nHeight, loaded.image == seen),
                  std::tuple(ELoadStatus::kOk, seen.Width(), seen.Height(), true));
        EXPECT_EQ(LoadJpegBytes(WithApp1(jpeg, block), orientation).image, seen); // a stereo file's view
    }
    CRecordingHost host;
    CLoadCommand command(host);
    WriteBytes(path, WithApp1(jpeg, ExifBlock(8)));
    EXPECT_EQ(command.Load(path), std::pair(Seen(stored, 8), Seen(stored, 8)));
    command.m_orientation = kStored;
    EXPECT_EQ(command.Load(path), std::pair(stored, stored));
}
