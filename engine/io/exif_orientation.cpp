// EXIF orientation: the block parsed by libexif, which checks every count and offset against the block's bounds.
#include "engine/io/exif_orientation.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <algorithm>
#include <memory>

namespace {

constexpr std::uint8_t kExifStart[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr int kStored = 1;

struct SExifDataDeleter {
    void operator()(ExifData* pData) const { exif_data_unref(pData); }
};

bool IsExif(std::span<const std::uint8_t> block)
{
    return block.size() > sizeof kExifStart && std::equal(std::begin(kExifStart), std::end(kExifStart), block.begin());
}

} // namespace

int ExifOrientation(std::span<const std::uint8_t> block)
{
    if (!IsExif(block))
        return kStored;
    const std::unique_ptr<ExifData, SExifDataDeleter> data(exif_data_new());
    if (!data)
        return kStored;
    exif_data_load_data(data.get(), block.data(), static_cast<unsigned>(block.size()));
    // IFD 0 describes the primary image; IFD 1's tag would be the thumbnail's.
    const ExifEntry* pEntry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (pEntry == nullptr || pEntry->format != EXIF_FORMAT_SHORT || pEntry->components < 1 || pEntry->data == nullptr
        || pEntry->size < 2)
        return kStored;
    const int nOrientation = exif_get_short(pEntry->data, exif_data_get_byte_order(data.get()));
    return nOrientation >= 1 && nOrientation <= 8 ? nOrientation : kStored;
}
