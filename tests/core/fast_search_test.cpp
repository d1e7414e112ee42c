// The fast parallax search against the literal one: same displacements, scores, range and host calls.
#include "engine/kernels/gradient_image.h"
#include "engine/search/exact_choice_windows.h"
#include "engine/search/fast_search.h"
#include "engine/search/parallax_search.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct SCase {
    CImage main, other;
    SSearchSettings settings;
    int nThreads = 1;
};

int Pick(std::mt19937& random, int nLow, int nHigh)
{
    return std::uniform_int_distribution<int>(nLow, nHigh)(random);
}

// Kinds of images where the fast search takes different ways: noise (0),
// a few colours in single pixels (1) or patches (2), one colour (3), a few
// greys (4), the gradient of noise (5), noise under a white sky (6), a
// repeated tile (7).
CImage MakeImage(int nKind, int nWidth, int nHeight, std::mt19937& random)
{
    CImage image = RandomImage(nWidth, nHeight, random);
    if (nKind == 5)
        return ComputeGradientImage(image);
    std::vector<std::array<std::uint8_t, 3>> palette(nKind == 3 ? 1 : Pick(random, 2, 4));
    for (auto& colour : palette) {
        const bool bBlack = random() % 3 == 0;
        for (std::uint8_t& b : colour)
            b = static_cast<std::uint8_t>(bBlack ? 0 : nKind == 4 && &b != &colour[0] ? colour[0] : random());
    }
    const int nBlock = nKind == 2 ? Pick(random, 2, 6) : 1, nPeriod = Pick(random, 1, 5);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            std::uint8_t* p = image.Pixel(x, y);
            if (nKind == 6 && 2 * y >= nHeight)
                std::fill_n(p, 3, 255);
            else if (nKind == 7)
                std::copy_n(image.Pixel(x % nPeriod, y % nPeriod), 3, p);
            else if (nKind >= 1 && nKind <= 4)
                std::copy_n(x % nBlock || y % nBlock ? image.Pixel(x - x % nBlock, y - y % nBlock)
                                                     : palette[random() % palette.size()].data(),
                            3, p);
        }
    return image;
}

// Settings whose literal search stays quick: about W·H·candidates·S² <= 2.5
// million. Every ninth case has 32-bit column sums (S > 84) on a tiny image.
SCase RandomCase(std::mt19937& random, int n)
{
    SCase c;
    const bool bWide = n % 9 == 4;
    const int nKind = n % 8, nWidth = Pick(random, 1, bWide ? 6 : 40), nHeight = Pick(random, 1, bWide ? 5 : 30);
    c.main = MakeImage(nKind, nWidth, nHeight, random);
    c.other = n % 3 == 0 ? ShiftedCopy(c.main, Pick(random, -4, 4), random) : MakeImage(nKind, nWidth, nHeight, random);
    if (n % 7 == 0)
        c.other = MakeImage(nKind, Pick(random, 1, 40), Pick(random, 1, 30), random);
    const double dArea = std::min(c.main.Width(), c.other.Width()) * std::min(c.main.Height(), c.other.Height());
    do {
        c.settings.nFragmentSize = bWide ? 2 * Pick(random, 43, 64) : 2 * Pick(random, 1, n % 4 == 0 ? 12 : 4);
        c.settings.nMaxParallaxX = Pick(random, 0, 12);
        c.settings.nMaxParallaxY = Pick(random, 0, n % 2 == 0 ? 0 : 4);
    } while (dArea * (2 * c.settings.nMaxParallaxX + 1) * (2 * c.settings.nMaxParallaxY + 1) * c.settings.nFragmentSize
                 * c.settings.nFragmentSize
             > 2.5e6);
    c.nThreads = 1 + n % 2;
    return c;
}

SCase SeededCase(int nSeed, int n)
{
    std::mt19937 random(nSeed);
    return RandomCase(random, n);
}

// `search` and `actual` come from earlier searches, whose memory must not matter.
void ExpectSameAsLiteral(const SCase& c, CParallaxSearch& literal, CFastSearch& search, SSearchResult& actual)
{
    SCOPED_TRACE(testing::Message() << c.main.Width() << "x" << c.main.Height() << ", " << c.other.Width() << "x"
                                    << c.other.Height() << ", S " << c.settings.nFragmentSize << ", HP "
                                    << c.settings.nMaxParallaxX << ", VP " << c.settings.nMaxParallaxY << ", threads "
                                    << c.nThreads << ", " << search.TargetName());
    CRecordingHost literalHost, fastHost;
    SSearchResult expected;
    ASSERT_TRUE(literal.Run(c.main, c.other, c.settings, literalHost, expected));
    ASSERT_TRUE(search.Run(c.main, c.other, c.settings, fastHost, actual));
    // Per pixel: -dx or 0, dx or 0 and the score byte; -dy or 0, dy or 0 and 0.
    const auto range = [](const SSearchResult& r) { return std::array{r.nMinDx, r.nMaxDx, r.nMinDy, r.nMaxDy}; };
    EXPECT_EQ(std::tuple(actual.xd == expected.xd, actual.yd == expected.yd, range(actual), fastHost.Events()),
              std::tuple(true, true, range(expected), literalHost.Events()));
}

} // namespace

// Each instruction set has its own vector widths and tails. Besides random
// pairs: 32-bit column sums with ties at sums above 0 (one colour, greys,
// noise against black border), 16-bit sums compared in several groups,
// whole-number means whose truncation rests on the last bit of the literal
// sum, and tiny and odd sizes.
TEST(FastSearch, MatchesTheLiteralSearchWithEveryInstructionSet)
{
    struct SRestoreTargets {
        ~SRestoreTargets() { hwy::SetSupportedTargetsForTest(0); }
    } restore;
    std::mt19937 random(20240611);
    // Terms 6 + 0 and 5 + 1 tie in their sum; the later pair's literal sum is one ulp smaller.
    const auto blues = [](int nWidth, int nHeight, int nFirst, int nLast) {
        CImage image(nWidth, nHeight);
        image.Pixel(0, 0)[0] = static_cast<std::uint8_t>(nFirst);
        image.Pixel(nWidth - 1, nHeight - 1)[0] = static_cast<std::uint8_t>(nLast);
        return image;
    };
    const SCase targeted[] = {
        {blues(1, 2, 6, 1), blues(1, 2, 1, 0), {86, 0, 1}},
        {blues(2, 1, 6, 1), blues(2, 1, 1, 0), {86, 1, 0}},
        // The same tie between a row of candidates wholly in the border and a later row.
        {blues(2, 1, 6, 0), blues(2, 1, 1, 1), {2, 0, 1}},
        {UniformImage(3, 2, 47, 0, 137), UniformImage(3, 2, 0, 107, 0), {8, 2, 2}},
        {MakeImage(3, 3, 3, random), MakeImage(3, 3, 3, random), {88, 2, 2}},
        {MakeImage(4, 4, 3, random), MakeImage(4, 4, 3, random), {86, 2, 1}},
        {RandomImage(4, 3, random), RandomImage(5, 3, random), {90, 2, 1}, 2},
        {MakeImage(5, 5, 5, random), MakeImage(5, 5, 4, random), {86, 2, 1}},
        {MakeImage(1, 1, 1, random), MakeImage(1, 2, 2, random), {84, 100, 1}},
        {UniformImage(12, 9, 10, 20, 30), UniformImage(12, 9, 11, 21, 31), {6, 3, 1}},
        {UniformImage(12, 9, 10, 20, 30), UniformImage(12, 9, 13, 23, 33), {24, 2, 0}},
        {RandomImage(1, 1, random), RandomImage(1, 1, random), {4, 128, 128}},
        {RandomImage(2, 3, random), RandomImage(3, 2, random), {128, 2, 1}},
        {RandomImage(23, 1, random), RandomImage(19, 4, random), {10, 9, 5}, 2},
        // Random cases whose ties tell apart the classes of equal literal sums.
        SeededCase(280, 11),
        SeededCase(154, 10),
        SeededCase(138, 26),
    };
    for (const std::int64_t nTarget : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(nTarget);
        ASSERT_STREQ(CFastSearch().TargetName(), hwy::TargetName(nTarget));
        CParallaxSearch literal;
        CFastSearch search[2] = {CFastSearch({1}), CFastSearch({2})};
        SSearchResult result;
        for (const SCase& c : targeted)
            ExpectSameAsLiteral(c, literal, search[c.nThreads - 1], result);
        for (int n = 0; n < 36; ++n) {
            const SCase c = RandomCase(random, n);
            ExpectSameAsLiteral(c, literal, search[c.nThreads - 1], result);
        }
    }
}

// The tables of flat and grey windows against each window's pixels.
TEST(FastSearch, TellsFlatAndGreyWindowsAsTheirPixelsAre)
{
    std::mt19937 random(3);
    for (int n = 0; n < 32; ++n) {
        const CImage main = MakeImage(n % 8, Pick(random, 1, 20), Pick(random, 1, 16), random);
        const CImage other = MakeImage((n + 3) % 8, main.Width(), main.Height(), random);
        const int nHalf = Pick(random, 1, 5);
        const SSearchGeometry g{main.Width(), main.Height(), 2 * nHalf, nHalf};
        CSearchPlanes planes;
        planes.Reset(g);
        for (int y = 0; y < g.nHeight; ++y)
            planes.CopyRow(main, other, y);
        CFlatWindows windows;
        windows.Reset(planes);
        windows.Build();
        for (int v = 1 - g.nFragment; v < g.nHeight; ++v)
            for (int u = 1 - g.nFragment; u < g.nWidth; ++u)
                for (const CImage* pImage : {&main, &other}) {
                    const SWindowKind kind = pImage == &main ? windows.Main(u, v) : windows.Other(u, v);
                    std::set<std::uint32_t> colours;
                    bool bGrey = true;
                    for (int j = std::max(v, 0); j < std::min(v + g.nFragment, g.nHeight); ++j)
                        for (int i = std::max(u, 0); i < std::min(u + g.nFragment, g.nWidth); ++i) {
                            const std::uint8_t* p = pImage->Pixel(i, j);
                            colours.insert(p[0] | p[1] << 8 | p[2] << 16);
                            bGrey = bGrey && p[0] == p[1] && p[1] == p[2];
                        }
                    EXPECT_EQ(std::tuple(kind.bFlat, kind.bGrey, kind.nColour),
                              std::tuple(colours.size() == 1, bGrey, colours.size() == 1 ? *colours.begin() : 0))
                        << n << ", " << u << ", " << v;
                }
    }
}

namespace {

// Rows are filled with 1 first, which no search writes: a displacement has
// a zero in byte 0 or byte 1.
bool IsWritten(const CImage& xd, int y)
{
    return xd.Pixel(0, y)[0] != 1 || xd.Pixel(0, y)[1] != 1;
}

// Cancels from a chosen step or PumpEvents call on and counts the calls
// made after that. Given the rows of a single-threaded search, where the
// calling thread searches, it checks at step k that rows 0..k-1 are
// written and rows from k + 1 on are not.
class CWatchingHost : public CRecordingHost {
public:
    bool IsCancelled() const override { return m_nSteps >= m_nCancelAtStep || m_nPumps >= m_nCancelAtPump; }
    void PumpEvents() override { m_nLateCalls += IsCancelled(), ++m_nPumps; }
    void StepProgress() override
    {
        const int k = m_nSteps, nHeight = m_pXd ? m_pXd->Height() : 0;
        m_nLateCalls += IsCancelled();
        m_bInOrder
            = m_bInOrder && (!m_pXd || (IsWritten(*m_pXd, k) && (k + 1 == nHeight || !IsWritten(*m_pXd, k + 1))));
        CRecordingHost::StepProgress();
    }

    const CImage* m_pXd = nullptr;
    int m_nCancelAtStep = 0, m_nCancelAtPump = 0, m_nLateCalls = 0;
    bool m_bInOrder = true;
};

} // namespace

// S 4 compares all rows of candidates in one group, S 88 one row at a time,
// so that rows finish only in the last of seven passes over a stripe; pump
// 140 comes in the first pass. The steps are the literal search's.
TEST(FastSearch, ReportsRowsAsTheyFinishAndStopsWithinARowOfCancelling)
{
    std::mt19937 random(31);
    const CImage main = RandomImage(12, 40, random), other = RandomImage(12, 40, random);
    constexpr int kNever = 1 << 30;
    const struct {
        SSearchSettings settings;
        int nThreads, nCancelAtStep, nCancelAtPump, nSteps;
    } cases[]
        = {{{4, 3, 2}, 1, kNever, kNever, 40}, {{4, 3, 2}, 1, 15, kNever, 15},  {{88, 2, 3}, 1, kNever, kNever, 40},
           {{88, 2, 3}, 1, 15, kNever, 15},    {{88, 2, 3}, 1, kNever, 140, 0}, {{6, 4, 2}, 2, 0, kNever, 0},
           {{6, 4, 2}, 2, 1, kNever, 1},       {{6, 4, 2}, 2, 17, kNever, 17}};
    for (const auto& c : cases) {
        SSearchResult result{UniformImage(12, 40, 1, 1, 1), CImage(12, 40)};
        CWatchingHost host;
        host.m_pXd = c.nThreads == 1 ? &result.xd : nullptr;
        std::tie(host.m_nCancelAtStep, host.m_nCancelAtPump) = std::tie(c.nCancelAtStep, c.nCancelAtPump);
        SCOPED_TRACE(testing::Message() << "S " << c.settings.nFragmentSize << ", threads " << c.nThreads
                                        << ", cancel at step " << c.nCancelAtStep);
        const bool bDone = CFastSearch({c.nThreads}).Run(main, other, c.settings, host, result);
        int nRowsAhead = 0; // written beyond the row after the last step
        for (int y = host.m_nSteps + 1; y < 40 && c.nThreads == 1; ++y)
            nRowsAhead += IsWritten(result.xd, y);
        // Cancelled at step 0, the search stops while it copies the images.
        std::vector<std::string> events{"range: 40", "steps: " + std::to_string(c.nSteps)};
        events.resize((c.nCancelAtStep > 0) + (c.nSteps > 0));
        EXPECT_EQ(std::tuple(bDone, host.m_nSteps, host.m_bInOrder, host.m_nLateCalls <= 1, nRowsAhead, host.Events()),
                  std::tuple(c.nSteps == 40, c.nSteps, true, true, 0, events));
    }
}

// The pair's memory is free for the search's own before the first row is searched.
TEST(FastSearch, LetsGoOfThePairOnceItIsCopied)
{
    std::mt19937 random(5);
    const CImage mainCopy = RandomImage(9, 7, random), otherCopy = RandomImage(9, 7, random);
    auto main = std::make_shared<const CImage>(mainCopy), other = std::make_shared<const CImage>(otherCopy);
    struct CCheckingHost : CRecordingHost {
        std::weak_ptr<const CImage> main, other;
        bool bReleased = false;
        void SetProgressRange(int) override { bReleased = main.expired() && other.expired(); }
    } host;
    std::tie(host.main, host.other) = std::tie(main, other);
    SSearchResult result, expected;
    CFastSearch({1}).Run(mainCopy, otherCopy, {4, 2, 1}, host, expected);
    EXPECT_TRUE(CFastSearch({1}).Run(std::move(main), std::move(other), {4, 2, 1}, host, result));
    EXPECT_EQ(std::tuple(host.bReleased, result.xd, result.yd), std::tuple(true, expected.xd, expected.yd));
}
