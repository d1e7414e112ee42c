// The fast parallax search against the literal one: same displacements, scores, range and host calls.
#include "engine/fast_search.h"
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "engine/parallax_search.h"
#include "engine/recording_host.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct SCase {
    CImage main;
    CImage other;
    SSearchSettings settings;
    SFastSearchOptions options;
};

std::string Describe(const SCase& c)
{
    char text[160];
    std::snprintf(text, sizeof text, "main %dx%d, other %dx%d, S %d, HP %d, VP %d, threads %d, %s", c.main.Width(),
                  c.main.Height(), c.other.Width(), c.other.Height(), c.settings.nFragmentSize,
                  c.settings.nMaxParallaxX, c.settings.nMaxParallaxY, c.options.nThreads,
                  CFastSearch(c.options).TargetName());
    return text;
}

int Signed(const CImage& image, int x, int y)
{
    return image.Pixel(x, y)[1] - image.Pixel(x, y)[0];
}

// The literal score of one candidate at pixel (x, y) of the area, for the report of a difference.
double LiteralScore(const SCase& c, int x, int y, int dx, int dy)
{
    const int nWidth = std::min(c.main.Width(), c.other.Width());
    const int nHeight = std::min(c.main.Height(), c.other.Height());
    const auto byte = [&](const CImage& image, int u, int v, int n) {
        return u < 0 || v < 0 || u >= nWidth || v >= nHeight ? 0 : image.Pixel(u, v)[n];
    };
    const int s = c.settings.nFragmentSize, h = s / 2;
    double sum = 0.0;
    for (int i = 0; i < s; ++i)
        for (int j = 0; j < s; ++j) {
            const int u = x - h + i, v = y - h + j;
            int t = 0;
            for (int n = 0; n < 3; ++n)
                t += std::abs(byte(c.main, u, v, n) - byte(c.other, u + dx, v + dy, n));
            sum = sum + t * 0.3333333333333333;
        }
    return sum / std::pow(static_cast<double>(s), 2.0);
}

std::string FirstDifference(const SCase& c, const SSearchResult& expected, const SSearchResult& actual)
{
    for (int y = 0; y < expected.xd.Height(); ++y)
        for (int x = 0; x < expected.xd.Width(); ++x) {
            if (std::equal(expected.xd.Pixel(x, y), expected.xd.Pixel(x, y) + 3, actual.xd.Pixel(x, y))
                && std::equal(expected.yd.Pixel(x, y), expected.yd.Pixel(x, y) + 3, actual.yd.Pixel(x, y)))
                continue;
            const int ex = Signed(expected.xd, x, y), ey = Signed(expected.yd, x, y);
            const int ax = Signed(actual.xd, x, y), ay = Signed(actual.yd, x, y);
            char text[256];
            std::snprintf(text, sizeof text,
                          "pixel (%d, %d): literal (%d, %d) score byte %d, fast (%d, %d) score byte %d; "
                          "literal scores %.17g and %.17g",
                          x, y, ex, ey, expected.xd.Pixel(x, y)[2], ax, ay, actual.xd.Pixel(x, y)[2],
                          LiteralScore(c, x, y, ex, ey), LiteralScore(c, x, y, ax, ay));
            return text;
        }
    return "";
}

// With `pSearch` and `pActual`, the search object and its result images
// come from earlier searches.
void ExpectSameAsLiteral(const SCase& c, CFastSearch* pSearch = nullptr, SSearchResult* pActual = nullptr)
{
    CRecordingHost literalHost, fastHost;
    SSearchResult expected, fresh;
    SSearchResult& actual = pActual ? *pActual : fresh;
    CFastSearch search(c.options);
    ASSERT_TRUE(CParallaxSearch().Run(c.main, c.other, c.settings, literalHost, expected)) << Describe(c);
    ASSERT_TRUE((pSearch ? *pSearch : search).Run(c.main, c.other, c.settings, fastHost, actual)) << Describe(c);
    ASSERT_EQ(actual.xd.Width(), expected.xd.Width()) << Describe(c);
    ASSERT_EQ(actual.xd.Height(), expected.xd.Height()) << Describe(c);
    const std::string difference = FirstDifference(c, expected, actual);
    ASSERT_TRUE(difference.empty()) << Describe(c) << "\n" << difference;
    EXPECT_EQ(actual.nMinDx, expected.nMinDx) << Describe(c);
    EXPECT_EQ(actual.nMaxDx, expected.nMaxDx) << Describe(c);
    EXPECT_EQ(actual.nMinDy, expected.nMinDy) << Describe(c);
    EXPECT_EQ(actual.nMaxDy, expected.nMaxDy) << Describe(c);
}

// Noise in a few levels only, so that many candidates share a window sum.
CImage CoarseNoise(int nWidth, int nHeight, int nLevels, std::mt19937& random)
{
    CImage image(nWidth, nHeight);
    std::uniform_int_distribution<int> level(0, nLevels - 1);
    for (int y = 0; y < nHeight; ++y)
        for (std::uint8_t& b : image.Row(y))
            b = static_cast<std::uint8_t>(level(random) * (255 / std::max(1, nLevels - 1)));
    return image;
}

// A random tile repeated over the image.
CImage RepeatedTexture(int nWidth, int nHeight, int nPeriod, std::mt19937& random)
{
    const CImage tile = RandomImage(nPeriod, nPeriod, random);
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            std::copy_n(tile.Pixel(x % nPeriod, y % nPeriod), 3, image.Pixel(x, y));
    return image;
}

// Flat rectangles of random colours, some of them black.
CImage FlatPatches(int nWidth, int nHeight, std::mt19937& random)
{
    CImage image(nWidth, nHeight);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 5; ++n) {
        const int x0 = std::uniform_int_distribution<int>(0, nWidth - 1)(random);
        const int y0 = std::uniform_int_distribution<int>(0, nHeight - 1)(random);
        const std::uint8_t colour[3]
            = {static_cast<std::uint8_t>(n % 3 == 2 ? 0 : byte(random)), static_cast<std::uint8_t>(byte(random)),
               static_cast<std::uint8_t>(byte(random))};
        for (int y = y0; y < nHeight; ++y)
            for (int x = x0; x < nWidth; ++x)
                std::copy_n(colour, 3, image.Pixel(x, y));
    }
    return image;
}

CImage WithBlackBorder(CImage image, int nBorder)
{
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (x < nBorder || y < nBorder || x >= image.Width() - nBorder || y >= image.Height() - nBorder)
                std::fill_n(image.Pixel(x, y), 3, 0);
    return image;
}

CImage MakeImage(int nKind, int nWidth, int nHeight, std::mt19937& random)
{
    switch (nKind) {
    case 0:
        return RandomImage(nWidth, nHeight, random);
    case 1:
        return CoarseNoise(nWidth, nHeight, 2 + static_cast<int>(random() % 3), random);
    case 2:
        return RepeatedTexture(nWidth, nHeight, 1 + static_cast<int>(random() % 5), random);
    case 3:
        return FlatPatches(nWidth, nHeight, random);
    default:
        return WithBlackBorder(RandomImage(nWidth, nHeight, random), 1 + static_cast<int>(random() % 4));
    }
}

int Pick(std::mt19937& random, int nLow, int nHigh)
{
    return std::uniform_int_distribution<int>(nLow, nHigh)(random);
}

// Settings whose literal search stays quick: about W·H·candidates·S² <= 2.5 million.
SCase RandomCase(std::mt19937& random, int nIndex)
{
    SCase c;
    const int nWidth = Pick(random, 1, 40), nHeight = Pick(random, 1, 30);
    const int nKind = nIndex % 5;
    c.main = MakeImage(nKind, nWidth, nHeight, random);
    c.other = nIndex % 3 == 0 ? ShiftedCopy(c.main, Pick(random, -4, 4), random)
                              : MakeImage(nKind, nWidth, nHeight, random);
    if (nIndex % 7 == 0)
        c.other = MakeImage(nKind, Pick(random, 1, 40), Pick(random, 1, 30), random);
    const int nArea = std::min(c.main.Width(), c.other.Width()) * std::min(c.main.Height(), c.other.Height());
    do {
        c.settings.nFragmentSize = 2 * Pick(random, 1, nIndex % 4 == 0 ? 12 : 4);
        c.settings.nMaxParallaxX = Pick(random, 0, 12);
        c.settings.nMaxParallaxY = Pick(random, 0, nIndex % 2 == 0 ? 0 : 4);
    } while (static_cast<double>(nArea) * (2 * c.settings.nMaxParallaxX + 1) * (2 * c.settings.nMaxParallaxY + 1)
                 * c.settings.nFragmentSize * c.settings.nFragmentSize
             > 2.5e6);
    c.options.nThreads = nIndex % 3;
    return c;
}

} // namespace

TEST(FastSearch, MatchesTheLiteralSearchOnRandomPairs)
{
    std::mt19937 random(20240611);
    for (int n = 0; n < 160; ++n)
        ExpectSameAsLiteral(RandomCase(random, n));
}

// Each instruction set this processor runs has its own vector widths and tails.
TEST(FastSearch, MatchesTheLiteralSearchWithEveryInstructionSet)
{
    struct SRestoreTargets {
        ~SRestoreTargets() { hwy::SetSupportedTargetsForTest(0); }
    } restore;
    for (const std::int64_t nTarget : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(nTarget);
        std::mt19937 random(23);
        for (int n = 0; n < 12; ++n) {
            SCase c = RandomCase(random, n);
            ExpectSameAsLiteral(c);
            EXPECT_STREQ(CFastSearch().TargetName(), hwy::TargetName(nTarget));
        }
        ExpectSameAsLiteral({RandomImage(5, 4, random), RandomImage(5, 4, random), {88, 5, 2}, {}});
    }
}

TEST(FastSearch, KeepsNothingFromAnEarlierSearchOfTheSameObject)
{
    std::mt19937 random(17);
    CFastSearch search;
    SSearchResult result;
    for (int n = 0; n < 12; ++n)
        ExpectSameAsLiteral(RandomCase(random, 5 * n), &search, &result);
}

TEST(FastSearch, MatchesTheLiteralSearchAtFragmentTwoWithItsManyTies)
{
    std::mt19937 random(7);
    for (int n = 0; n < 24; ++n) {
        const CImage main = CoarseNoise(Pick(random, 8, 36), Pick(random, 6, 24), 2 + n % 3, random);
        const CImage other = n % 2 == 0 ? CoarseNoise(main.Width(), main.Height(), 2 + n % 3, random)
                                        : ShiftedCopy(main, n % 5 - 2, random);
        ExpectSameAsLiteral({main, other, {2, Pick(random, 0, 10), Pick(random, 0, 6)}, {n % 3}});
    }
}

TEST(FastSearch, MatchesTheLiteralSearchOnTinyAndOddSizedImages)
{
    std::mt19937 random(11);
    const CImage pixel = RandomImage(1, 1, random);
    ExpectSameAsLiteral({pixel, RandomImage(1, 1, random), {2, 0, 0}, {}});
    ExpectSameAsLiteral({pixel, RandomImage(1, 1, random), {4, 128, 128}, {}});
    ExpectSameAsLiteral({pixel, RandomImage(3, 2, random), {128, 0, 0}, {1}});
    ExpectSameAsLiteral({RandomImage(2, 3, random), RandomImage(3, 2, random), {128, 3, 2}, {}});
    ExpectSameAsLiteral({RandomImage(1, 17, random), RandomImage(1, 9, random), {6, 20, 3}, {2}});
    ExpectSameAsLiteral({RandomImage(23, 1, random), RandomImage(19, 4, random), {10, 9, 5}, {0}});
    // Fragments above 84 pixels keep 32-bit column sums.
    ExpectSameAsLiteral({RandomImage(6, 5, random), RandomImage(7, 5, random), {90, 2, 1}, {}});
    ExpectSameAsLiteral({CoarseNoise(5, 4, 2, random), CoarseNoise(5, 4, 2, random), {86, 3, 0}, {1}});
    // Wide rows of candidates at a large fragment are compared a few rows at a time.
    ExpectSameAsLiteral({CoarseNoise(3, 2, 2, random), CoarseNoise(3, 3, 2, random), {84, 60, 3}, {}});
}

TEST(FastSearch, MatchesTheLiteralSearchWithoutParallax)
{
    std::mt19937 random(5);
    for (const int nFragment : {2, 8, 16, 34, 84, 128})
        ExpectSameAsLiteral({RandomImage(9, 7, random), RandomImage(9, 7, random), {nFragment, 0, 0}, {}});
}

// Every term is 3·K: a mean difference of exactly 1, where the truncated
// score depends on the last bit of the literal sum.
TEST(FastSearch, TruncatesScoresOnWholeNumberMeansAsTheLiteralSearch)
{
    for (const int nFragment : {2, 4, 6, 10, 24}) {
        const CImage main = UniformImage(12, 9, 10, 20, 30);
        const CImage other = UniformImage(12, 9, 11, 21, 31);
        ExpectSameAsLiteral({main, other, {nFragment, 3, 1}, {}});
        ExpectSameAsLiteral({main, UniformImage(12, 9, 13, 23, 33), {nFragment, 2, 0}, {1}});
    }
}

// A smooth texture seen from two viewpoints, as photographs give it.
TEST(FastSearch, MatchesTheLiteralSearchOnATexturedPair)
{
    std::mt19937 random(3);
    CImage left(64, 48);
    for (int y = 0; y < left.Height(); ++y)
        for (int x = 0; x < left.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                left.Pixel(x, y)[c] = static_cast<std::uint8_t>(128 + 60 * std::sin(x * 0.4 + c) * std::cos(y * 0.3)
                                                                + static_cast<int>(random() % 9));
    const CImage right = ShiftedCopy(left, 3, random);
    const SSearchSettings settings[] = {{4, 8, 0}, {8, 6, 2}, {16, 5, 1}};
    for (const SSearchSettings& s : settings) {
        ExpectSameAsLiteral({left, right, s, {}});
        ExpectSameAsLiteral({right, left, s, {1}});
    }
}

namespace {

// Cancels once a number of rows has been reported.
class CCancellingHost : public CRecordingHost {
public:
    explicit CCancellingHost(int nSteps)
        : m_nCancelAt(nSteps)
    { }
    bool IsCancelled() const override { return m_nSteps >= m_nCancelAt; }

private:
    int m_nCancelAt;
};

} // namespace

TEST(FastSearch, ReportsRowsToTheHostAsTheLiteralSearch)
{
    std::mt19937 random(9);
    const CImage main = RandomImage(21, 37, random);
    const CImage other = RandomImage(25, 33, random);
    CRecordingHost literalHost, fastHost;
    SSearchResult result;
    ASSERT_TRUE(CParallaxSearch().Run(main, other, {4, 3, 1}, literalHost, result));
    ASSERT_TRUE(CFastSearch({2}).Run(main, other, {4, 3, 1}, fastHost, result));
    EXPECT_EQ(fastHost.Events(), literalHost.Events());
    EXPECT_EQ(fastHost.m_nSteps, 33);
    EXPECT_GE(fastHost.m_nPumps, literalHost.m_nPumps);
}

TEST(FastSearch, StopsWhenCancelledAfterTheSameRowsAsTheLiteralSearch)
{
    std::mt19937 random(13);
    const CImage main = RandomImage(30, 40, random);
    const CImage other = RandomImage(30, 40, random);
    for (const int nSteps : {0, 1, 17}) {
        CCancellingHost literalHost(nSteps), fastHost(nSteps);
        SSearchResult result;
        EXPECT_FALSE(CParallaxSearch().Run(main, other, {6, 4, 2}, literalHost, result));
        EXPECT_FALSE(CFastSearch({0}).Run(main, other, {6, 4, 2}, fastHost, result));
        EXPECT_EQ(fastHost.m_nSteps, nSteps);
        EXPECT_EQ(fastHost.Events(), literalHost.Events());
    }
}

// The job runs the fast search; --reference runs the literal one, and the files come out the same.
TEST(FastSearch, DepthCommandWritesTheSameFilesWithTheLiteralSearch)
{
    CTempFolder folder;
    std::mt19937 random(29);
    const CImage left = CoarseNoise(36, 28, 3, random);
    SaveImageFile(left, folder.File("l.png"), kFormatPng);
    SaveImageFile(ShiftedCopy(left, 2, random), folder.File("r.png"), kFormatPng);
    const std::string command = std::string(TESSALY_CLI_PATH) + " depth --left " + folder.File("l.png") + " --right "
        + folder.File("r.png") + " --side right --fragment 4 --max-parallax-x 5 --max-parallax-y 2 --format png >"
        + folder.File("out.txt");
    std::vector<std::string> outputs[2];
    for (const char* szFlag : {"", " --reference"}) {
        ASSERT_EQ(std::system((command + szFlag).c_str()), 0) << szFlag;
        for (const char* szSuffix : {"r-xd.png", "r-yd.png", "r-3dmap.png"})
            outputs[*szFlag ? 1 : 0].push_back(ReadBytes(folder.File(szSuffix)));
    }
    for (const std::string& bytes : outputs[0])
        EXPECT_GT(bytes.size(), 100u);
    EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(FastSearch, RefusesSettingsOutOfRange)
{
    const CImage image = UniformImage(4, 4, 1, 2, 3);
    CRecordingHost host;
    SSearchResult result;
    EXPECT_THROW(CFastSearch().Run(image, image, {3, 0, 0}, host, result), std::invalid_argument);
    EXPECT_THROW(CFastSearch().Run(image, image, {2, 129, 0}, host, result), std::invalid_argument);
}

namespace {

// A pixel no search writes: a displacement has a zero in byte 0 or byte 1.
constexpr std::uint8_t kUnwritten[3] = {1, 1, 1};

bool IsWritten(const CImage& xd, int y)
{
    return !std::equal(kUnwritten, kUnwritten + 3, xd.Pixel(0, y));
}

// Watches the result rows of a single-threaded search, where the calling
// thread searches: at step k, rows 0..k-1 are written and rows from k + 1
// on are not. Cancels from a chosen step or PumpEvents call on, and counts
// the calls made after that.
class CRowWatchingHost : public CRecordingHost {
public:
    CRowWatchingHost(const CImage& xd, int nCancelAtStep, int nCancelAtPump)
        : m_xd(xd)
        , m_nCancelAtStep(nCancelAtStep)
        , m_nCancelAtPump(nCancelAtPump)
    { }
    void PumpEvents() override
    {
        m_nLateCalls += IsCancelled();
        CRecordingHost::PumpEvents();
    }
    bool IsCancelled() const override { return m_nSteps >= m_nCancelAtStep || m_nPumps >= m_nCancelAtPump; }
    void StepProgress() override
    {
        m_nLateCalls += IsCancelled();
        const int k = m_nSteps;
        m_bRowsInOrder = m_bRowsInOrder && IsWritten(m_xd, k) && (k + 1 >= m_xd.Height() || !IsWritten(m_xd, k + 1));
        CRecordingHost::StepProgress();
    }

    const CImage& m_xd;
    int m_nCancelAtStep;
    int m_nCancelAtPump;
    int m_nLateCalls = 0;
    bool m_bRowsInOrder = true;
};

} // namespace

TEST(FastSearch, ReportsEachRowAsItFinishesAndStopsWithinARowOfCancelling)
{
    std::mt19937 random(31);
    const CImage main = RandomImage(12, 40, random), other = RandomImage(12, 40, random);
    constexpr int kNever = 1 << 30;
    // S 4 compares all rows of candidates in one group, S 88 one row at a
    // time; the pump count cancels in the first of its seven passes.
    const struct {
        SSearchSettings settings;
        int nCancelAtStep, nCancelAtPump, nSteps;
    } cases[] = {{{4, 3, 2}, kNever, kNever, 40},
                 {{4, 3, 2}, 15, kNever, 15},
                 {{88, 2, 3}, kNever, kNever, 40},
                 {{88, 2, 3}, 15, kNever, 15},
                 {{88, 2, 3}, kNever, 40 + 100, 0}};
    for (const auto& c : cases) {
        SSearchResult result{CImage(12, 40), CImage(12, 40)};
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 12; ++x)
                std::copy_n(kUnwritten, 3, result.xd.Pixel(x, y));
        CRowWatchingHost host(result.xd, c.nCancelAtStep, c.nCancelAtPump);
        const bool bDone = CFastSearch({1}).Run(main, other, c.settings, host, result);
        const std::string where = "S " + std::to_string(c.settings.nFragmentSize) + ", cancel at step "
            + std::to_string(c.nCancelAtStep) + " or pump " + std::to_string(c.nCancelAtPump);
        EXPECT_EQ(bDone, c.nSteps == 40) << where;
        EXPECT_EQ(host.m_nSteps, c.nSteps) << where;
        EXPECT_TRUE(host.m_bRowsInOrder) << where;
        EXPECT_LE(host.m_nLateCalls, 1) << where;
        for (int y = host.m_nSteps + 1; y < 40; ++y)
            EXPECT_FALSE(IsWritten(result.xd, y)) << where << ", row " << y;
    }
}
