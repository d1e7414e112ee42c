// CExactScorer: literal candidate scores, the tie rule of the literal search and the truncated score.
#include "engine/search/exact_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double K = 0.3333333333333333;

// Candidates of one position with the same integer sum T whose literal sums
// D are equal: only the first of them in the literal order can win. Why D
// is the same within a class:
// - kSameTerms | colour: the other window is all of one colour, border
//   included; every such candidate meets the main fragment with the same
//   terms in the same order.
// - kTwoTerms: the main fragment and the other window each hold, in the
//   area, only the colour a, and black border. Every term is then 0 or
//   fl(t·K) with t = a's three bytes added; adding 0.0 leaves a sum as it
//   is, so D is that product added to itself T / t times.
// - kWholeTerms: both are grey in the area (and black around), so every t
//   is 3·|difference| and fl(t·K) is that difference exactly (K = (1 −
//   2^-54) / 3, and t·K lies within half an ulp of it, ties going to the
//   even whole number); whole sums below 2^53 are exact, so D = T / 3.
constexpr std::uint32_t kSameTerms = 1u << 24;
constexpr std::uint32_t kTwoTerms = 2u << 24;
constexpr std::uint32_t kWholeTerms = 3u << 24;

// The classes met so far at one position and sum.
class CSeenKeys {
public:
    // Remembers the keys; false when one of them was met before.
    template <class TKeys> bool Add(const TKeys& keys)
    {
        bool bNew = true;
        for (int k = 0; k < keys.n; ++k) {
            const std::uint32_t nKey = keys.keys[k];
            if (std::find(m_keys.begin(), m_keys.begin() + m_n, nKey) != m_keys.begin() + m_n)
                bNew = false;
            else if (m_n < static_cast<int>(m_keys.size()))
                m_keys[m_n++] = nKey;
        }
        return bNew;
    }

    bool Has(std::uint32_t nKey) const
    {
        return std::find(m_keys.begin(), m_keys.begin() + m_n, nKey) != m_keys.begin() + m_n;
    }

private:
    std::array<std::uint32_t, 16> m_keys{};
    int m_n = 0;
};

} // namespace

CExactScorer::CExactScorer(const CSearchPlanes& planes, CFlatWindows& windows)
    : m_planes(planes)
    , m_windows(windows)
    , m_nBuildAfter(8 * (std::int64_t{planes.Geometry().nWidth} + planes.Geometry().nFragment)
                    * planes.Geometry().nHeight)
    , m_nFragment(planes.Geometry().nFragment)
    , m_nHalf(planes.Geometry().nHalf)
    , m_nWidth(planes.Geometry().nWidth)
    , m_nHeight(planes.Geometry().nHeight)
    , m_nThreeAreas(3 * m_nFragment * m_nFragment)
    , m_nReciprocal(((std::uint64_t{1} << 40) + m_nThreeAreas - 1) / m_nThreeAreas)
    , m_dArea(std::pow(static_cast<double>(m_nFragment), 2.0))
{
    for (int t = 0; t <= kMaxTerm; ++t)
        m_terms[t] = t * K;
}

// The sums of nGroup candidates run side by side so that their additions
// overlap; each one still adds its own terms in the literal order: column
// offset i outer, row offset j inner.
template <int nGroup> void CExactScorer::ScoreGroup(int x, int y, const int* pDx, const int* pDy, double* pScores) const
{
    const std::ptrdiff_t nMainStride = m_planes.MainStride();
    const std::ptrdiff_t nOtherStride = m_planes.OtherStride();
    const int v = y - m_nHalf;
    std::array<double, nGroup> sums{};
    for (int i = 0; i < m_nFragment; ++i) {
        const int u = x - m_nHalf + i;
        const std::uint8_t* pMain[3];
        const std::uint8_t* pOther[nGroup][3];
        for (int c = 0; c < 3; ++c) {
            pMain[c] = m_planes.MainRow(c, v) + u;
            for (int k = 0; k < nGroup; ++k)
                pOther[k][c] = m_planes.OtherRow(c, v + pDy[k]) + u + pDx[k];
        }
        for (int j = 0; j < m_nFragment; ++j) {
            const std::ptrdiff_t nMain = j * nMainStride;
            const std::ptrdiff_t nOther = j * nOtherStride;
            for (int k = 0; k < nGroup; ++k) {
                const int t = std::abs(pMain[0][nMain] - pOther[k][0][nOther])
                    + std::abs(pMain[2][nMain] - pOther[k][2][nOther])
                    + std::abs(pMain[1][nMain] - pOther[k][1][nOther]);
                sums[k] = sums[k] + m_terms[t];
            }
        }
    }
    for (int k = 0; k < nGroup; ++k)
        pScores[k] = sums[k] / m_dArea;
}

double CExactScorer::Score(int x, int y, int dx, int dy) const
{
    double dScore = 0.0;
    ScoreGroup<1>(x, y, &dx, &dy, &dScore);
    return dScore;
}

// Whether the other fragment of the candidate lies wholly in the black border.
bool CExactScorer::IsAllBorder(int x, int y, int dx, int dy) const
{
    return x + dx - m_nHalf >= m_nWidth || x + dx + m_nHalf - 1 < 0 || y + dy - m_nHalf >= m_nHeight
        || y + dy + m_nHalf - 1 < 0;
}

// Until the tables are built, only the other windows wholly in the border are known.
CExactScorer::SKeys CExactScorer::Keys(const SWindowKind& main, bool bBuilt, int x, int y, int dx, int dy) const
{
    SKeys keys;
    if (!bBuilt) {
        if (IsAllBorder(x, y, dx, dy))
            keys.keys[keys.n++] = kSameTerms;
        return keys;
    }
    const SWindowKind other = m_windows.Other(x + dx - m_nHalf, y + dy - m_nHalf);
    const bool bBlack = other.bEmpty || (other.bFlat && other.nColour == 0);
    if (bBlack || (other.bFlat && other.bInside))
        keys.keys[keys.n++] = kSameTerms | (bBlack ? 0 : other.nColour);
    if (main.bFlat && (other.bEmpty || (other.bFlat && other.nColour == main.nColour)))
        keys.keys[keys.n++] = kTwoTerms;
    if (main.bGrey && (other.bEmpty || other.bGrey))
        keys.keys[keys.n++] = kWholeTerms;
    return keys;
}

// The scores of the n candidates kept: T / 3 / S² for whole terms, the
// literal sums for the others, four at a time.
void CExactScorer::ScoreKept(std::int32_t nSum, int x, int y, std::size_t n, STieScratch& ties) const
{
    std::array<std::size_t, 4> group{};
    std::array<int, 4> dxs{}, dys{};
    std::array<double, 4> scores{};
    std::size_t nGroup = 0;
    const auto flush = [&] {
        if (nGroup == 4)
            ScoreGroup<4>(x, y, dxs.data(), dys.data(), scores.data());
        if (nGroup == 2 || nGroup == 3)
            ScoreGroup<2>(x, y, dxs.data(), dys.data(), scores.data());
        if (nGroup == 1 || nGroup == 3)
            ScoreGroup<1>(x, y, &dxs[nGroup - 1], &dys[nGroup - 1], &scores[nGroup - 1]);
        for (std::size_t k = 0; k < nGroup; ++k)
            ties.scores[group[k]] = scores[k];
        ties.nScoredTerms += static_cast<std::int64_t>(nGroup) * m_nFragment * m_nFragment;
        nGroup = 0;
    };
    for (std::size_t k = 0; k < n; ++k) {
        if (ties.whole[k]) {
            ties.scores[k] = static_cast<double>(nSum / 3) / m_dArea;
            continue;
        }
        group[nGroup] = k;
        dxs[nGroup] = ties.dxs[k];
        dys[nGroup++] = ties.dys[k];
        if (nGroup == 4)
            flush();
    }
    flush();
}

void CExactScorer::OfferTies(SPixelBest& best, std::int32_t nSum, int x, int y, std::size_t nOffered,
                             STieScratch& ties) const
{
    if (!m_windows.IsBuilt() && ties.nScoredTerms >= m_nBuildAfter)
        m_windows.Build();
    const bool bBuilt = m_windows.IsBuilt();
    const SWindowKind main = bBuilt ? m_windows.Main(x - m_nHalf, y - m_nHalf) : SWindowKind{};
    const bool bKeep = nSum == best.nSum;
    CSeenKeys seen;
    std::size_t n = 0;
    // The best so far goes first: it comes earlier in the literal order.
    if (bKeep) {
        const SKeys keys = Keys(main, bBuilt, x, y, best.nDx, best.nDy);
        seen.Add(keys);
        if (best.dScore < 0.0) {
            ties.dxs[n] = best.nDx;
            ties.dys[n] = best.nDy;
            ties.whole[n++] = keys.Has(kWholeTerms);
        }
    }
    const std::size_t nKept = n;
    bool bBorderSeen = false; // an earlier candidate's other window lies wholly in the border
    for (std::size_t k = 1; k <= nOffered; ++k) {
        const bool bBorder = IsAllBorder(x, y, ties.dxs[k], ties.dys[k]);
        if (bBorder && (bBorderSeen || (bBorderSeen = seen.Has(kSameTerms))))
            continue;
        const SKeys keys = Keys(main, bBuilt, x, y, ties.dxs[k], ties.dys[k]);
        if (!seen.Add(keys))
            continue;
        ties.dxs[n] = ties.dxs[k];
        ties.dys[n] = ties.dys[k];
        ties.whole[n++] = keys.Has(kWholeTerms);
    }
    if (n == nKept)
        return;
    if (!bKeep && n == 1) {
        // A single new best needs no score yet.
        best = SPixelBest{nSum, static_cast<std::int16_t>(ties.dxs[0]), static_cast<std::int16_t>(ties.dys[0]), -1.0};
        return;
    }
    ScoreKept(nSum, x, y, n, ties);
    const auto candidate = [&](std::size_t k) {
        return SPixelBest{nSum, static_cast<std::int16_t>(ties.dxs[k]), static_cast<std::int16_t>(ties.dys[k]),
                          ties.scores[k]};
    };
    std::size_t k = 0;
    if (nKept != 0)
        best.dScore = ties.scores[k++];
    if (!bKeep)
        best = candidate(k++);
    for (; k < n; ++k)
        if (ties.scores[k] < best.dScore)
            best = candidate(k);
}
