// Fuzz entry points: each writes the input's image bytes to files and decodes them, then runs a kernel in memory
// or a whole command on the files and checks what it left.
//
// Layouts (a missing byte reads as 0):
//   image_load: [type] image
//   gradient:   [type] [format] image
//   reduce:     [type] [format] [factor] image
//   enlarge:    [type] [format] [factor] image
//   depth_job:  [type] [format] [fragment] [hp] [vp] [speed] [flags] [len lo] [len hi] left(len) right
//   assembly:   [type] [format] [min dx] [max dx] [min dy] [max dy] [side] [len lo] [len hi] xd(len) yd
//   outline:    [type] [format] [level] [flags] [len lo] [len hi] left(len) right
//   smooth:     [format] [degree] [side] [len lo] [len hi] outline(len) depth map
//   mpo:        file (the multi-picture index is read from the bytes alone)
//   mpo_split:  file (written as an .mpo file and split into its views)
// [type] picks the input extension from kFuzzExtensions, [format] the output format (mod 3); the
// smoothing stage reads its inputs in the output format, as it finds them beside a finished map.
#include "fuzz/fuzz_stages.h"

#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/io/mpo_index.h"
#include "engine/job/depth_map_job.h"
#include "engine/job/stereo_split.h"
#include "engine/kernels/depth_map_assembly.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/working_scale.h"
#include "smoothing/smoothing_commands.h"
#include "support/recording_host.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class CInputReader {
public:
    explicit CInputReader(std::span<const std::uint8_t> data)
        : m_data(data)
    { }

    std::uint8_t Byte()
    {
        if (m_data.empty())
            return 0;
        const std::uint8_t b = m_data.front();
        m_data = m_data.subspan(1);
        return b;
    }
    // A part with a two-byte little-endian length, cut to what is left.
    std::span<const std::uint8_t> Part()
    {
        const std::size_t nLow = Byte();
        const std::size_t nLength = std::min(nLow | std::size_t{Byte()} << 8, m_data.size());
        const auto part = m_data.first(nLength);
        m_data = m_data.subspan(nLength);
        return part;
    }
    std::span<const std::uint8_t> Rest() { return std::exchange(m_data, {}); }

private:
    std::span<const std::uint8_t> m_data;
};

[[noreturn]] void Fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "fuzz invariant broken: %s: %s\n", what, path.c_str());
    std::abort();
}

// One folder per process on a memory file system where there is one, so
// that the saves' fsync costs nothing; emptied before every input so that no
// input sees another one's files.
const fs::path& ScratchFolder()
{
    static const fs::path folder = [] {
        const fs::path parent = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (parent / "tessaly-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            Fail("cannot create a scratch folder", pattern);
        std::atexit([] { fs::remove_all(ScratchFolder()); });
        return fs::path(pattern);
    }();
    return folder;
}

void EmptyScratch()
{
    for (const auto& entry : fs::directory_iterator(ScratchFolder()))
        fs::remove_all(entry.path());
}

std::string WriteInput(const std::string& title, std::uint8_t type, std::span<const std::uint8_t> bytes)
{
    const std::string path = (ScratchFolder() / title).string() + "." + kFuzzExtensions[type % 4];
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A save either leaves the whole file under its name or nothing, and never
// a temporary.
void CheckOutput(bool bWritten, const std::string& path)
{
    for (const auto& entry : fs::directory_iterator(ScratchFolder()))
        if (entry.path().filename().string().front() == '.')
            Fail("temporary file left behind", entry.path().string());
    if (!bWritten) {
        if (fs::exists(path))
            Fail("file written by a stage that reported failure", path);
        return;
    }
    const SImageLimits limits = GetImageLimits();
    SetImageLimits({});
    const bool bReadable = LoadImageFile(path).status == ELoadStatus::kOk;
    SetImageLimits(limits);
    if (!bReadable)
        Fail("written file does not read back", path);
}

// A job whose files live in the scratch folder, with the inputs' limits
// lowered so that no input decodes to more than a few thousand pixels.
struct SFuzzJob {
    SFuzzJob(int nMaxSide, std::uint8_t format)
        : job(host)
    {
        EmptyScratch();
        SetImageLimits({nMaxSide, std::int64_t{nMaxSide} * nMaxSide});
        job.m_settings.m_saveFormat = SaveFormats()[format % SaveFormats().size()].format;
    }

    CRecordingHost host;
    CDepthMapJob job;
};

} // namespace

int FuzzImageLoad(std::span<const std::uint8_t> data)
{
    EmptyScratch();
    SetImageLimits({256, 256 * 256});
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    const std::string path = WriteInput("in", type, input.Rest());
    const SLoadResult loaded = LoadImageFile(path);
    if (loaded.status != ELoadStatus::kOk)
        return 0;
    // A loaded image saved in any output format reads back bit for bit.
    const ESaveFormat format = SaveFormats()[type / 4 % SaveFormats().size()].format;
    const std::string copy = MakeDerivedName((ScratchFolder() / "copy").string(), "-x.", format);
    const bool bSaved = SaveImageFile(loaded.image, copy, format);
    CheckOutput(bSaved, copy);
    if (!bSaved || LoadImageFile(copy).image != loaded.image)
        Fail("a loaded image does not survive a save", copy);
    return 0;
}

namespace {

// The fuzzed file decoded as a stage would decode it; nothing when refused.
std::optional<CImage> LoadInput(const std::string& path)
{
    SLoadResult loaded = LoadImageFile(path);
    if (loaded.status != ELoadStatus::kOk)
        return std::nullopt;
    return std::move(loaded.image);
}

void CheckSize(const CImage& image, int nWidth, int nHeight, const char* what)
{
    if (image.Width() != nWidth || image.Height() != nHeight)
        Fail("a kernel made an image of the wrong size", what);
}

} // namespace

int FuzzGradient(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(256, input.Byte());
    if (const std::optional<CImage> source = LoadInput(WriteInput("in", type, input.Rest())))
        CheckSize(ComputeGradientImage(*source), source->Width(), source->Height(), "gradient");
    return 0;
}

int FuzzReduce(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(256, input.Byte());
    const int nFactor = std::max(input.Byte() % 12, 1); // 10 and 11 lie outside the slider's range
    if (const std::optional<CImage> source = LoadInput(WriteInput("in", type, input.Rest())))
        CheckSize(ReduceImageBy(*source, nFactor), source->Width() / nFactor, source->Height() / nFactor, "reduced");
    return 0;
}

int FuzzEnlarge(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(32, input.Byte()); // enlarged by up to 10, a map stays below 100 000 pixels
    const int nFactor = 1 + input.Byte() % 10;
    const std::optional<CImage> map = LoadInput(WriteInput("in", type, input.Rest()));
    if (map && map->Width() >= 2 && map->Height() >= 2)
        CheckSize(EnlargeImageBy(*map, nFactor), (map->Width() - 1) * nFactor, (map->Height() - 1) * nFactor,
                  "enlarged");
    return 0;
}

int FuzzDepthJob(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(48, input.Byte());
    CDepthMapJob& job = fuzz.job;
    job.m_settings.m_nFragmentSize = 2 + 2 * (input.Byte() % 4);
    job.m_settings.m_nMaxParallaxX = input.Byte() % 5;
    job.m_settings.m_nMaxParallaxY = input.Byte() % 5;
    job.m_settings.m_nSpeedFactor = 1 + input.Byte() % 3;
    const std::uint8_t flags = input.Byte();
    job.m_settings.m_bAnalyzeSource = (flags & 1) == 0;
    const std::string left = WriteInput("left", type, input.Part());
    // Both sides may name one file, as when the user opens an image twice.
    job.m_pair = CStereoPair(left, (flags & 4) != 0 ? left : WriteInput("right", type >> 2, input.Rest()));
    const bool bRightMap = (flags & 2) != 0;
    const bool bDone = job.RunJob(bRightMap).bDone;
    CheckOutput(bDone, job.m_pair.DerivedName(bRightMap, kSuffixDepthMap, job.m_settings.m_saveFormat));
    return 0;
}

int FuzzAssembly(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(256, input.Byte());
    SDisplacementRange range;
    for (int* pLimit : {&range.nMinDx, &range.nMaxDx, &range.nMinDy, &range.nMaxDy})
        *pLimit = static_cast<std::int8_t>(input.Byte());
    const bool bRightMap = input.Byte() & 1;
    const std::optional<CImage> xd = LoadInput(WriteInput("out-xd", type, input.Part()));
    const std::optional<CImage> yd = LoadInput(WriteInput("out-yd", type >> 2, input.Rest()));
    if (!xd || !yd)
        return 0;
    CImage map(std::min(xd->Width(), yd->Width()), std::min(xd->Height(), yd->Height()));
    for (int y = 0; y < map.Height(); ++y)
        AssembleDepthRow(*xd, *yd, range, bRightMap, map, y);
    return 0;
}

namespace {

void CheckWritten(const SCommandOutcome& outcome)
{
    for (const std::string& path : outcome.written)
        CheckOutput(true, path);
}

} // namespace

int FuzzOutline(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t type = input.Byte();
    SFuzzJob fuzz(64, input.Byte());
    CSmoothingCommands commands(fuzz.host);
    commands.m_nLevel = input.Byte() + (input.Byte() & 1); // 0..256
    SSmoothingInputs inputs;
    inputs.saveFormat = fuzz.job.m_settings.m_saveFormat;
    inputs.strLeftPath = WriteInput("left", type, input.Part());
    inputs.strRightPath = WriteInput("right", type >> 2, input.Rest());
    inputs.strLeftBase = MakeBase(inputs.strLeftPath);
    inputs.strRightBase = MakeBase(inputs.strRightPath);
    CheckWritten(commands.CreateOutlineImages(inputs));
    return 0;
}

int FuzzSmooth(std::span<const std::uint8_t> data)
{
    CInputReader input(data);
    const std::uint8_t nFormat = input.Byte() % 3;
    SFuzzJob fuzz(64, nFormat);
    const ESaveFormat format = fuzz.job.m_settings.m_saveFormat;
    CSmoothingCommands commands(fuzz.host);
    commands.m_nDegree = input.Byte() % 4;
    const bool bRight = (input.Byte() & 1) != 0;
    const std::string base = (ScratchFolder() / "side").string();
    const std::span<const std::uint8_t> outline = input.Part();
    const std::span<const std::uint8_t> map = input.Rest();
    for (const auto& [suffix, bytes] : {std::pair{kSuffixOutline, outline}, std::pair{kSuffixDepthMap, map}})
        std::ofstream(MakeDerivedName(base, suffix, format), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    SSmoothingInputs inputs;
    inputs.saveFormat = format;
    inputs.strLeftBase = inputs.strRightBase = base;
    const SCommandOutcome outcome = bRight ? commands.SmoothRight(inputs) : commands.SmoothLeft(inputs);
    CheckWritten(outcome);
    if (!outcome.bDone && commands.m_nDegree < 2)
        CheckOutput(false, MakeDerivedName(base, kSuffixDepthMapNew, format));
    return 0;
}

int FuzzMpoIndex(std::span<const std::uint8_t> data)
{
    const SMpoIndex index = ReadMpoIndex(data);
    if (index.strProblem.empty() == index.images.empty())
        Fail("an index is neither usable nor refused", index.strProblem);
    std::size_t nEnd = 0;
    std::vector<SMpoImage> images = index.images;
    std::sort(images.begin(), images.end(),
              [](const SMpoImage& a, const SMpoImage& b) { return a.nOffset < b.nOffset; });
    for (const SMpoImage& image : images) {
        if (image.nOffset < nEnd || image.nSize < 4 || image.nOffset + image.nSize > data.size())
            Fail("an image of a usable index overlaps another or leaves the file", std::to_string(image.nOffset));
        nEnd = image.nOffset + image.nSize;
    }
    return 0;
}

// The views are written both or neither, each a JPEG that decodes, and a
// refusal always comes with a message.
int FuzzMpoSplit(std::span<const std::uint8_t> data)
{
    EmptyScratch();
    SetImageLimits({256, 256 * 256});
    const std::string path = (ScratchFolder() / "in.mpo").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    CRecordingHost host;
    const std::optional<CStereoPair> views = SplitStereoFile(path, EStereoLayout::kMpo, kFormatPng, host);
    if (!views.has_value() && host.m_messages.empty())
        Fail("a refused split shows no message", path);
    for (const bool bRight : {false, true})
        CheckOutput(views.has_value(), StereoViewName(path, EStereoLayout::kMpo, kFormatPng, bRight));
    return 0;
}
