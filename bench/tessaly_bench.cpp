// tessaly-bench: times the literal and the fast parallax search, and the job's other stages, on a stereo pair.
#include "engine/io/image_file.h"
#include "engine/job/depth_map_maker.h"
#include "engine/kernels/depth_map_assembly.h"
#include "engine/kernels/gradient_image.h"
#include "engine/search/fast_search.h"
#include "engine/search/parallax_search.h"

#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const char* const kUsage
    = "tessaly-bench [--left L.png] [--right R.png] [--reference all|none|S16HP32VP0,...]\n"
      "              [--repetitions N] [--no-avx512] [Google Benchmark options]\n"
      "  Times the fast search single-threaded and on all cores (median of N runs, default 25) and the\n"
      "  literal search once, at six settings, on the pair (default: ../shared/data/cones im2 and im6),\n"
      "  and the job's image decoding, encoding and assembly at S 16, HP 32. --no-avx512 keeps the\n"
      "  fast search to AVX2 at most. The ties/ benchmarks time the fast search on all cores on made-up\n"
      "  pairs, each flat or clipped one beside a textured one of its size and settings (median of up\n"
      "  to 3). job/in_memory/S16HP64 times the whole left depth map of the loaded pair in memory (S 16,\n"
      "  HP 64, speed 1, source comparison, all cores), as the Python module makes it.\n";

class CQuietHost : public CStageHost {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void SetStatus(const std::string&) override { }
    void SetProgressRange(int) override { }
    void StepProgress() override { }
    void ResetProgress() override { }
};

struct SOptions {
    std::string strLeft = "../shared/data/cones/im2.png";
    std::string strRight = "../shared/data/cones/im6.png";
    std::string strReference = "all";
    int nRepetitions = 25;
};

struct SPair {
    CImage left;
    CImage right;
};

// The last one compares with S 16 at the same parallax: the cost should not grow with the fragment.
const SSearchSettings kSettings[] = {{4, 16, 0}, {16, 32, 0}, {16, 16, 4}, {64, 64, 0}, {2, 8, 8}, {64, 32, 0}};

std::string SettingName(const SSearchSettings& s)
{
    char name[32];
    std::snprintf(name, sizeof name, "S%dHP%dVP%d", s.nFragmentSize, s.nMaxParallaxX, s.nMaxParallaxY);
    return name;
}

bool WantsReference(const SOptions& options, const SSearchSettings& s)
{
    if (options.strReference == "all")
        return true;
    std::string list(1, ',');
    list.append(options.strReference).append(1, ',');
    std::string item(1, ',');
    item.append(SettingName(s)).append(1, ',');
    return list.find(item) != std::string::npos;
}

CImage Load(const std::string& path)
{
    SLoadResult loaded = LoadImageFile(path);
    if (loaded.status != ELoadStatus::kOk) {
        std::fprintf(stderr, "tessaly-bench: cannot load %s\n", path.c_str());
        std::exit(2);
    }
    return std::move(loaded.image);
}

// A fast search that runs again and again, as a caller that searches
// again (the other side, other settings) reuses the search object and the
// result images; its first run, which takes the memory, is not timed.
struct SFastCase {
    SFastCase(const SPair* pPairIn, SSearchSettings settingsIn, SFastSearchOptions options)
        : pPair(pPairIn)
        , settings(settingsIn)
        , search(options)
    { }

    const SPair* pPair;
    SSearchSettings settings;
    CFastSearch search;
    SSearchResult result;
    bool bWarm = false;
};

void SearchFast(benchmark::State& state, SFastCase* pCase)
{
    CQuietHost host;
    if (!pCase->bWarm)
        pCase->search.Run(pCase->pPair->left, pCase->pPair->right, pCase->settings, host, pCase->result);
    pCase->bWarm = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pCase->search.Run(pCase->pPair->left, pCase->pPair->right, pCase->settings, host, pCase->result));
    state.SetLabel(pCase->search.TargetName());
}

void SearchLiteral(benchmark::State& state, const SPair* pPair, SSearchSettings settings)
{
    CParallaxSearch search;
    CQuietHost host;
    for (auto _ : state) {
        SSearchResult result;
        benchmark::DoNotOptimize(search.Run(pPair->left, pPair->right, settings, host, result));
    }
}

// The stages around the search in a job at S 16, HP 32, VP 0 with BMP files:
// decoding the pair, encoding and decoding the displacement images, the
// assembly and the encoding of the depth map.
struct SStageFiles {
    std::string strLeft, strRight, strXd, strYd, strMap;
    SSearchResult result;
    CImage map;
};

void DecodePair(benchmark::State& state, const SStageFiles* pFiles)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadImageFile(pFiles->strLeft));
        benchmark::DoNotOptimize(LoadImageFile(pFiles->strRight));
    }
}

void EncodeDisplacements(benchmark::State& state, const SStageFiles* pFiles)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveImageFile(pFiles->result.xd, pFiles->strXd, kFormatBmp));
        benchmark::DoNotOptimize(SaveImageFile(pFiles->result.yd, pFiles->strYd, kFormatBmp));
    }
}

void DecodeDisplacements(benchmark::State& state, const SStageFiles* pFiles)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadImageFile(pFiles->strXd));
        benchmark::DoNotOptimize(LoadImageFile(pFiles->strYd));
    }
}

void AssembleAndEncodeMap(benchmark::State& state, const SStageFiles* pFiles)
{
    const SSearchResult& r = pFiles->result;
    const SDisplacementRange range{r.nMinDx, r.nMaxDx, r.nMinDy, r.nMaxDy};
    for (auto _ : state) {
        CImage map(r.xd.Width(), r.xd.Height());
        for (int y = 0; y < map.Height(); ++y)
            AssembleDepthRow(r.xd, r.yd, range, false, map, y);
        benchmark::DoNotOptimize(SaveImageFile(map, pFiles->strMap, kFormatBmp));
    }
}

// The whole job on decoded images, as tessaly.depth_map runs it: a maker of
// its own each time (its tables included), the map assembled, nothing saved.
// Its first run, as a caller's first call, is not timed; the job's copies
// of the pair are made then, so that other runs of the tool need no room for them.
struct SJobCase {
    explicit SJobCase(const SPair* pPairIn)
        : pPair(pPairIn)
    {
        settings.m_nFragmentSize = 16;
        settings.m_nMaxParallaxX = 64;
        settings.m_nMaxParallaxY = 0;
        settings.m_nSpeedFactor = 1;
        settings.m_bAnalyzeSource = true;
    }

    const SPair* pPair;
    std::shared_ptr<const CImage> left, right;
    SDepthMapSettings settings;
    bool bWarm = false;
};

void JobInMemory(benchmark::State& state, SJobCase* pCase)
{
    CQuietHost host;
    if (!pCase->bWarm) {
        pCase->left = std::make_shared<const CImage>(pCase->pPair->left);
        pCase->right = std::make_shared<const CImage>(pCase->pPair->right);
        MakeDepthMap(pCase->left, pCase->right, false, pCase->settings, host);
    }
    pCase->bWarm = true;
    for (auto _ : state) {
        const std::optional<SDepthMap> map = MakeDepthMap(pCase->left, pCase->right, false, pCase->settings, host);
        if (!map) {
            state.SkipWithError("the depth map was not made");
            break;
        }
        benchmark::DoNotOptimize(map->map->Row(0).data());
    }
}

// Made-up pairs where many candidates tie in their integer sums, each
// beside a textured pair of the same size and settings: a flat image, the
// gradient image of noise (saturated in many bytes, in a black frame), and
// a photo whose sky is clipped white.
struct STiePair {
    std::string strName;
    SPair pair;
    SSearchSettings settings;
};

CImage Noise(int nWidth, int nHeight, std::mt19937& random)
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (std::uint8_t& b : image.Row(y))
            b = static_cast<std::uint8_t>(random());
    return image;
}

// Smooth waves and a little noise, moved nShift pixels as another viewpoint sees them.
CImage Photo(int nWidth, int nHeight, int nShift, std::mt19937& random)
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const double u = x + nShift;
                const double v = 128 + 50 * std::sin(0.07 * u + 0.05 * y + c)
                    + 40 * std::sin(0.21 * u - 0.13 * y) * std::cos(0.11 * y + c) + static_cast<int>(random() % 16);
                image.Pixel(x, y)[c] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
            }
    return image;
}

// The top two fifths white, as an overexposed sky.
CImage ClippedSky(CImage image)
{
    for (int y = image.Height() * 3 / 5; y < image.Height(); ++y)
        std::fill(image.Row(y).begin(), image.Row(y).end(), std::uint8_t{255});
    return image;
}

std::deque<STiePair> MakeTiePairs()
{
    std::mt19937 random(1);
    std::deque<STiePair> pairs;
    const SSearchSettings wide{128, 128, 128};
    const std::uint8_t colour[3] = {60, 120, 180};
    CImage flat(129, 129);
    for (int y = 0; y < 129; ++y)
        for (int x = 0; x < 129; ++x)
            std::copy_n(colour, 3, flat.Pixel(x, y));
    pairs.push_back({"noise-129", {Noise(129, 129, random), Noise(129, 129, random)}, wide});
    pairs.push_back({"uniform-129", {flat, flat}, wide});
    pairs.push_back({"noise-gradient-129",
                     {ComputeGradientImage(pairs[0].pair.left), ComputeGradientImage(pairs[0].pair.right)},
                     wide});
    const CImage left = Photo(1000, 750, 0, random), right = Photo(1000, 750, 5, random);
    pairs.push_back({"photo-1000x750", {left, right}, {16, 64, 8}});
    pairs.push_back({"photo-clipped-1000x750", {ClippedSky(left), ClippedSky(right)}, {16, 64, 8}});
    return pairs;
}

int Cores()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// One run per repetition, its wall time and the process's CPU time on
// every thread, reported as the aggregates of nRepetitions runs.
void TimeRepeatedRuns(benchmark::internal::Benchmark* pBenchmark, int nRepetitions)
{
    pBenchmark->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(nRepetitions)
        ->ReportAggregatesOnly(true);
}

void RegisterTiePairs(const SOptions& options, const std::deque<STiePair>& pairs, std::deque<SFastCase>& cases)
{
    for (const STiePair& tie : pairs) {
        SFastCase& c = cases.emplace_back(&tie.pair, tie.settings, SFastSearchOptions{Cores()});
        c.bWarm = true; // seconds each: the memory is not worth a run of its own
        TimeRepeatedRuns(benchmark::RegisterBenchmark(("ties/" + tie.strName + "/" + SettingName(tie.settings)).c_str(),
                                                      SearchFast, &c),
                         std::min(options.nRepetitions, 3));
    }
}

void RegisterSearches(const SOptions& options, const SPair& pair, std::deque<SFastCase>& cases)
{
    const int nCores = Cores();
    for (const SSearchSettings& s : kSettings) {
        const std::string name = SettingName(s);
        for (const int nThreads : {1, nCores})
            TimeRepeatedRuns(
                benchmark::RegisterBenchmark(("fast/" + name + "/threads:" + std::to_string(nThreads)).c_str(),
                                             SearchFast, &cases.emplace_back(&pair, s, SFastSearchOptions{nThreads})),
                options.nRepetitions);
        if (WantsReference(options, s))
            benchmark::RegisterBenchmark(std::string("literal/").append(name).c_str(), SearchLiteral, &pair, s)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1)
                ->Repetitions(1);
    }
}

void RegisterJob(const SOptions& options, SJobCase& job)
{
    TimeRepeatedRuns(benchmark::RegisterBenchmark("job/in_memory/S16HP64", JobInMemory, &job), options.nRepetitions);
}

void RegisterStages(const SOptions& options, SStageFiles& files)
{
    using FStage = void (*)(benchmark::State&, const SStageFiles*);
    const std::pair<const char*, FStage> stages[] = {{"stage/decode pair", DecodePair},
                                                     {"stage/encode -xd -yd (BMP)", EncodeDisplacements},
                                                     {"stage/decode -xd -yd (BMP)", DecodeDisplacements},
                                                     {"stage/assemble, encode -3dmap (BMP)", AssembleAndEncodeMap}};
    for (const auto& [name, function] : stages)
        benchmark::RegisterBenchmark(name, function, &files)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(options.nRepetitions)
            ->ReportAggregatesOnly(true);
}

SOptions ParseOptions(int argc, char** argv)
{
    SOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (arg == "--left" && bHasValue)
            options.strLeft = argv[++i];
        else if (arg == "--right" && bHasValue)
            options.strRight = argv[++i];
        else if (arg == "--reference" && bHasValue)
            options.strReference = argv[++i];
        else if (arg == "--no-avx512")
            hwy::DisableTargets(HWY_AVX3 | HWY_AVX3_DL);
        else if (arg == "--repetitions" && bHasValue)
            options.nRepetitions = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "tessaly-bench: unknown option %s\n\n%s", arg.c_str(), kUsage);
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const SOptions options = ParseOptions(argc, argv);
    const SPair pair{Load(options.strLeft), Load(options.strRight)};
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tessaly-bench";
    std::filesystem::create_directories(folder);
    SStageFiles files{options.strLeft,
                      options.strRight,
                      (folder / "im-xd.bmp").string(),
                      (folder / "im-yd.bmp").string(),
                      (folder / "im-3dmap.bmp").string(),
                      {},
                      {}};
    CQuietHost host;
    CFastSearch().Run(pair.left, pair.right, {16, 32, 0}, host, files.result);
    SaveImageFile(files.result.xd, files.strXd, kFormatBmp);
    SaveImageFile(files.result.yd, files.strYd, kFormatBmp);
    std::deque<SFastCase> cases;
    RegisterSearches(options, pair, cases);
    const std::deque<STiePair> tiePairs = MakeTiePairs();
    RegisterTiePairs(options, tiePairs, cases);
    SJobCase job(&pair);
    RegisterJob(options, job);
    RegisterStages(options, files);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
