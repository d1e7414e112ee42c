// MPO files for seeds and tests: an MP header, an index IFD of three fields and one 16-byte entry per image.
#include "fuzz/mpo_writer.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeaderPos = 10;  // start marker, APP2 marker and length, "MPF\0"
constexpr std::size_t kEntriesPos = 50; // MP header (8), field count (2), 3 fields (36), next IFD (4)
constexpr std::uint32_t kAttributeDisparity = 0x020002;
constexpr std::uint32_t kAttributeRepresentative = 0x20000000;

class CIndexWriter {
public:
    explicit CIndexWriter(bool bBigEndian)
        : m_bBigEndian(bBigEndian)
    { }
    void Number(std::uint32_t value, int nBytes)
    {
        for (int i = 0; i < nBytes; ++i)
            m_bytes += static_cast<char>(value >> 8 * (m_bBigEndian ? nBytes - 1 - i : i) & 0xFF);
    }
    void Field(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
    {
        Number(tag, 2);
        Number(type, 2);
        Number(count, 4);
        Number(value, 4);
    }
    std::string m_bytes;

private:
    bool m_bBigEndian;
};

std::string MpfSegment(const std::vector<SMpoEntry>& entries, bool bBigEndian)
{
    CIndexWriter index(bBigEndian);
    index.m_bytes = bBigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    index.Number(8, 4);
    index.Number(3, 2);
    index.Field(0xB000, 7, 4, 0);
    index.m_bytes.replace(index.m_bytes.size() - 4, 4, "0100");
    index.Field(0xB001, 4, 1, static_cast<std::uint32_t>(entries.size()));
    index.Field(0xB002, 7, static_cast<std::uint32_t>(16 * entries.size()), kEntriesPos);
    index.Number(0, 4);
    for (const SMpoEntry& entry : entries) {
        index.Number(entry.nAttribute, 4);
        index.Number(entry.nSize, 4);
        index.Number(entry.nOffset, 4);
        index.Number(0, 4); // no dependent images
    }
    const std::size_t nLength = 2 + 4 + index.m_bytes.size();
    return std::string("\xFF\xE2", 2) + static_cast<char>(nLength >> 8) + static_cast<char>(nLength & 0xFF) + "MPF"
        + std::string(1, '\0') + index.m_bytes;
}

} // namespace

std::string WriteMpo(const std::vector<std::string>& jpegs, bool bBigEndian,
                     const std::function<void(std::vector<SMpoEntry>&)>& patch)
{
    const std::size_t nSegment = MpfSegment(std::vector<SMpoEntry>(jpegs.size()), bBigEndian).size();
    std::vector<SMpoEntry> entries;
    std::size_t nStart = 0;
    for (std::size_t i = 0; i < jpegs.size(); ++i) {
        const std::size_t nSize = jpegs[i].size() + (i == 0 ? nSegment : 0);
        entries.push_back({kAttributeDisparity | (i == 0 ? kAttributeRepresentative : 0),
                           static_cast<std::uint32_t>(nSize),
                           static_cast<std::uint32_t>(i == 0 ? 0 : nStart - kHeaderPos)});
        nStart += nSize;
    }
    if (patch)
        patch(entries);
    std::string file = jpegs.empty() ? std::string()
                                     : jpegs[0].substr(0, 2) + MpfSegment(entries, bBigEndian)
            + jpegs[0].substr(std::min<std::size_t>(2, jpegs[0].size()));
    for (std::size_t i = 1; i < jpegs.size(); ++i)
        file += jpegs[i];
    return file;
}
