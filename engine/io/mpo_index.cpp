// The multi-picture index: JPEG markers up to the APP2 "MPF" segment, its TIFF-structured index, and the checks of each
// image.
#include "engine/io/mpo_index.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr char kMpfIdentifier[4] = {'M', 'P', 'F', '\0'};

constexpr std::uint16_t kTagNumberOfImages = 0xB001;
constexpr std::uint16_t kTagMpEntry = 0xB002;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::size_t kIfdEntrySize = 12;
constexpr std::size_t kMpEntrySize = 16;

constexpr const char* kDamaged = "its multi-picture index is damaged";

// Reads numbers of the index in its byte order; every read is checked
// against the segment, so a damaged offset yields nothing instead of a read
// beyond it.
class CIndexReader {
public:
    CIndexReader(std::span<const std::uint8_t> segment, bool bBigEndian)
        : m_segment(segment)
        , m_bBigEndian(bBigEndian)
    { }

    std::optional<std::uint32_t> Read(std::size_t nPos, std::size_t nBytes) const
    {
        if (nPos > m_segment.size() || m_segment.size() - nPos < nBytes)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < nBytes; ++i) {
            const std::size_t nByte = m_bBigEndian ? i : nBytes - 1 - i;
            value = value << 8 | m_segment[nPos + nByte];
        }
        return value;
    }
    bool Holds(std::size_t nPos, std::size_t nBytes) const
    {
        return nPos <= m_segment.size() && m_segment.size() - nPos >= nBytes;
    }

private:
    std::span<const std::uint8_t> m_segment;
    bool m_bBigEndian;
};

// Where the B001 and B002 fields of the index IFD point.
struct SIndexFields {
    std::optional<std::uint32_t> nImages;
    std::uint32_t nEntryBytes = 0;
    std::uint32_t nEntryOffset = 0;
    bool bEntries = false;
};

std::optional<SIndexFields> ReadIndexFields(const CIndexReader& reader)
{
    const auto ifd = reader.Read(4, 4);
    const auto count = ifd ? reader.Read(*ifd, 2) : std::nullopt;
    if (!count || !reader.Holds(*ifd + 2, *count * kIfdEntrySize))
        return std::nullopt;
    SIndexFields fields;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t nEntry = *ifd + 2 + i * kIfdEntrySize;
        const std::uint32_t nTag = *reader.Read(nEntry, 2);
        const std::uint32_t nType = *reader.Read(nEntry + 2, 2);
        const std::uint32_t nCount = *reader.Read(nEntry + 4, 4);
        const std::uint32_t nValue = *reader.Read(nEntry + 8, 4);
        if (nTag == kTagNumberOfImages && nType == kTypeLong && nCount == 1)
            fields.nImages = nValue;
        if (nTag == kTagMpEntry && nType == kTypeUndefined) {
            fields.nEntryBytes = nCount;
            fields.nEntryOffset = nValue;
            fields.bEntries = true;
        }
    }
    return fields;
}

// The images of the index as file ranges; offsets count from the MP header,
// except the first image's, which starts the file.
SMpoIndex ReadEntries(std::span<const std::uint8_t> segment, std::size_t nHeaderPos)
{
    SMpoIndex index;
    const bool bBig = segment.size() >= 4 && std::memcmp(segment.data(), "MM\0*", 4) == 0;
    const bool bLittle = segment.size() >= 4 && std::memcmp(segment.data(), "II*\0", 4) == 0;
    const CIndexReader reader(segment, bBig);
    const std::optional<SIndexFields> fields = bBig || bLittle ? ReadIndexFields(reader) : std::nullopt;
    if (!fields || !fields->nImages || !fields->bEntries || *fields->nImages == 0) {
        index.strProblem = kDamaged;
        return index;
    }
    const std::uint64_t nImages = *fields->nImages;
    if (nImages == 1) {
        index.strProblem = "it holds only one image";
        return index;
    }
    if (fields->nEntryBytes != nImages * kMpEntrySize || !reader.Holds(fields->nEntryOffset, fields->nEntryBytes)) {
        index.strProblem = kDamaged;
        return index;
    }
    for (std::size_t i = 0; i < nImages; ++i) {
        const std::size_t nEntry = fields->nEntryOffset + i * kMpEntrySize;
        const std::uint64_t nOffset = *reader.Read(nEntry + 8, 4);
        if ((i == 0) != (nOffset == 0)) {
            index.strProblem = kDamaged;
            return index;
        }
        const std::uint64_t nStart = i == 0 ? 0 : nHeaderPos + nOffset;
        index.images.push_back(
            {static_cast<std::size_t>(nStart), *reader.Read(nEntry + 4, 4), *reader.Read(nEntry, 4)});
    }
    return index;
}

// The problem with the images' places in the file, or "" when every image
// lies inside it, apart from the others, as a whole JPEG stream.
std::string CheckPlaces(std::span<const std::uint8_t> file, std::vector<SMpoImage> images)
{
    for (const SMpoImage& image : images) {
        if (image.nSize < 4)
            return kDamaged;
        if (image.nOffset > file.size() || file.size() - image.nOffset < image.nSize)
            return "its multi-picture index places an image outside the file";
    }
    std::sort(images.begin(), images.end(),
              [](const SMpoImage& a, const SMpoImage& b) { return a.nOffset < b.nOffset; });
    for (std::size_t i = 1; i < images.size(); ++i)
        if (images[i].nOffset < images[i - 1].nOffset + images[i - 1].nSize)
            return "its multi-picture index places two images over each other";
    for (const SMpoImage& image : images) {
        const std::uint8_t* pStart = file.data() + image.nOffset;
        const std::uint8_t* pEnd = pStart + image.nSize;
        if (pStart[0] != kMarker || pStart[1] != kStartOfImage)
            return "an image does not start where its multi-picture index says";
        if (pEnd[-2] != kMarker || pEnd[-1] != kEndOfImage)
            return "an image does not end where its multi-picture index says (it may be cut short)";
    }
    return {};
}

// The APP2 "MPF" segment's contents after the identifier (the MP header on),
// and its place in the file; empty when the first image's header has none.
std::span<const std::uint8_t> FindMpfSegment(std::span<const std::uint8_t> file, std::size_t& nHeaderPos, bool& bBroken,
                                             std::size_t& nSegmentSize)
{
    std::size_t nPos = 2;
    while (nPos + 4 <= file.size() && file[nPos] == kMarker) {
        const std::uint8_t marker = file[nPos + 1];
        if (marker == kMarker) {
            ++nPos; // fill byte
            continue;
        }
        if (marker == kStartOfScan || marker == kEndOfImage)
            return {};
        const std::size_t nLength = std::size_t{file[nPos + 2]} << 8 | file[nPos + 3];
        if (nLength < 2 || file.size() - nPos - 2 < nLength)
            break;
        const auto segment = file.subspan(nPos + 4, nLength - 2);
        if (marker == kApp2 && segment.size() >= 4 && std::memcmp(segment.data(), kMpfIdentifier, 4) == 0) {
            nHeaderPos = nPos + 8;
            nSegmentSize = 2 + nLength;
            return segment.subspan(4);
        }
        nPos += 2 + nLength;
    }
    bBroken = true;
    return {};
}

} // namespace

SMpoIndex ReadMpoIndex(std::span<const std::uint8_t> file)
{
    SMpoIndex index;
    if (file.size() < 4 || file[0] != kMarker || file[1] != kStartOfImage) {
        index.strProblem = "it is not a JPEG file, as an .mpo file must be";
        return index;
    }
    std::size_t nHeaderPos = 0;
    bool bBroken = false;
    std::size_t nSegmentSize = 0;
    const auto segment = FindMpfSegment(file, nHeaderPos, bBroken, nSegmentSize);
    if (nHeaderPos == 0) {
        index.strProblem = bBroken ? "its JPEG header is damaged" : "it has no multi-picture index";
        return index;
    }
    index = ReadEntries(segment, nHeaderPos);
    if (index.strProblem.empty())
        index.strProblem = CheckPlaces(file, index.images);
    index.nIndexSegmentOffset = nHeaderPos - 8;
    index.nIndexSegmentSize = nSegmentSize;
    if (index.strProblem.empty() && index.nIndexSegmentOffset + nSegmentSize > index.images[0].nSize)
        index.strProblem = kDamaged;
    if (!index.strProblem.empty())
        index.images.clear();
    return index;
}
