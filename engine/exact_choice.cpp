// CExactScorer: literal candidate scores, the tie rule of the literal search and the truncated score.
#include "engine/exact_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double K = 0.3333333333333333;

} // namespace

CExactScorer::CExactScorer(const CSearchPlanes& planes)
    : m_planes(planes)
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

void CExactScorer::Scores(int x, int y, std::span<const int> dxs, std::span<const int> dys,
                          std::span<double> scores) const
{
    std::size_t k = 0;
    for (; k + 4 <= dxs.size(); k += 4)
        ScoreGroup<4>(x, y, &dxs[k], &dys[k], &scores[k]);
    if (k + 2 <= dxs.size()) {
        ScoreGroup<2>(x, y, &dxs[k], &dys[k], &scores[k]);
        k += 2;
    }
    if (k < dxs.size())
        scores[k] = Score(x, y, dxs[k], dys[k]);
}

// Whether the other fragment of the candidate lies wholly in the black
// border: all such candidates of a position add the same terms (the main
// fragment against black) and score alike, so only the first can win.
bool CExactScorer::IsAllBorder(int x, int y, int dx, int dy) const
{
    return x + dx - m_nHalf >= m_nWidth || x + dx + m_nHalf - 1 < 0 || y + dy - m_nHalf >= m_nHeight
        || y + dy + m_nHalf - 1 < 0;
}

void CExactScorer::OfferTies(SPixelBest& best, std::int32_t nSum, int x, int y, std::size_t nOffered,
                             STieScratch& ties) const
{
    const std::span<int> dxs(ties.dxs), dys(ties.dys);
    const std::span<double> scores(ties.scores);
    const bool bKeep = nSum == best.nSum;
    bool bBorderSeen = bKeep && IsAllBorder(x, y, best.nDx, best.nDy);
    // The best so far goes first: it comes earlier in the literal order.
    std::size_t n = 0;
    if (bKeep && best.dScore < 0.0) {
        dxs[n] = best.nDx;
        dys[n++] = best.nDy;
    }
    const std::size_t nKept = n;
    for (std::size_t k = 1; k <= nOffered; ++k) {
        if (IsAllBorder(x, y, dxs[k], dys[k])) {
            if (bBorderSeen)
                continue;
            bBorderSeen = true;
        }
        const int dx = dxs[k];
        const int dy = dys[k];
        dxs[n] = dx;
        dys[n++] = dy;
    }
    if (n == nKept)
        return;
    if (!bKeep && n == 1) {
        // A single new best needs no score yet.
        best = SPixelBest{nSum, static_cast<std::int16_t>(dxs[0]), static_cast<std::int16_t>(dys[0]), -1.0};
        return;
    }
    Scores(x, y, dxs.first(n), dys.first(n), scores.first(n));
    std::size_t k = 0;
    if (nKept != 0)
        best.dScore = scores[k++];
    if (!bKeep) {
        best = SPixelBest{nSum, static_cast<std::int16_t>(dxs[k]), static_cast<std::int16_t>(dys[k]), scores[k]};
        ++k;
    }
    for (; k < n; ++k)
        if (scores[k] < best.dScore)
            best = SPixelBest{nSum, static_cast<std::int16_t>(dxs[k]), static_cast<std::int16_t>(dys[k]), scores[k]};
}
