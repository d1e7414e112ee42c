// The literal double-precision scores and the choice among candidates whose integer sums tie.
#pragma once

#include "engine/search/exact_choice_windows.h"
#include "engine/search/search_planes.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Why integer sums decide almost every comparison: a candidate's score is
// fl(D / S²), where D adds the S² terms fl(t·K) one after another and the
// t are integers 0..765 with integer sum T. Each product and each addition
// rounds by at most one part in 2^53, so |D − T·K| is about S²·2^-53·T·K
// at most, below 255·S⁴·2^-53 <= 2^-17 for S <= 128, while two different
// sums T give exact values T·K at least K ≈ 0.333 apart. So a smaller T
// always gives a strictly smaller D and a strictly smaller score: the
// quotients differ by more than 0.33 / S² >= 2^-16, their roundings by at
// most 2^-46. Only candidates with the same T as the best so far need their
// literal score, whose rounding differs with the order of the terms. The
// same bound gives the truncated score from T alone: the score lies within
// 2^-30 of T / (3·S²), which stays at least 1 / (3·S²) away from the next
// integer unless 3·S² divides T.
struct SPixelBest {
    std::int32_t nSum = INT32_MAX; // T of the best candidate so far
    std::int16_t nDx = 0;
    std::int16_t nDy = 0;
    double dScore = -1.0; // its literal score, or negative while not needed
};
// Rows of them are read as four 32-bit words per pixel by the vector code.
static_assert(sizeof(SPixelBest) == 16 && offsetof(SPixelBest, nDx) == 4 && offsetof(SPixelBest, nDy) == 6
              && offsetof(SPixelBest, dScore) == 8);

// One thread's room for the candidates of a tie: entry 0 is workspace,
// entries 1..n the candidates offered, and their literal scores.
struct STieScratch {
    std::vector<int> dxs;
    std::vector<int> dys;
    std::vector<double> scores;
    std::vector<char> whole;       // whether a candidate's terms are whole numbers
    std::int64_t nScoredTerms = 0; // terms of the literal scores this thread has added in this search
};

// Literal scores of the candidates of one position, read from the planes.
class CExactScorer {
public:
    // The tables of `windows` are built by the first thread whose literal
    // scores have cost about four times as much as building them: on smooth
    // photos, whose ties are seldom flat or grey, the tables would cost more
    // than they save, and where flat ties abound the scores reach that soon.
    CExactScorer(const CSearchPlanes& planes, CFlatWindows& windows);

    // FragmentDifference of candidate (dx, dy) at pixel (x, y) of the area.
    double Score(int x, int y, int dx, int dy) const;

    // Offers the candidates (ties.dxs[k], ties.dys[k]), k = 1..n in the
    // literal order, whose integer sum nSum is not above best.nSum; keeps the
    // first one with the smallest literal score, as the literal search's
    // strict comparison does. Candidates whose literal sum provably equals
    // an earlier one's are passed over unscored.
    void OfferTies(SPixelBest& best, std::int32_t nSum, int x, int y, std::size_t n, STieScratch& ties) const;

    // 3·S²: the integer sum of a window whose mean difference is 1.
    std::int32_t ThreeAreas() const { return m_nThreeAreas; }
    // The best score truncated to an integer, as the "-xd." image stores it.
    int ScoreByte(const SPixelBest& best, int x, int y) const
    {
        if (best.dScore >= 0.0)
            return static_cast<int>(best.dScore);
        // T / (3·S²) by a reciprocal: exact for T < 2^24 and divisors up to 2^16.
        const std::int32_t nQuotient = static_cast<std::int32_t>((best.nSum * m_nReciprocal) >> 40);
        if (best.nSum == 0 || best.nSum != nQuotient * m_nThreeAreas)
            return nQuotient;
        return static_cast<int>(Score(x, y, best.nDx, best.nDy));
    }

private:
    static constexpr int kMaxTerm = 765;
    // Up to three keys of classes of candidates whose literal sums are equal at equal T.
    struct SKeys {
        std::array<std::uint32_t, 3> keys{};
        int n = 0;
        bool Has(std::uint32_t nKey) const
        {
            return std::find(keys.begin(), keys.begin() + n, nKey) != keys.begin() + n;
        }
    };
    bool IsAllBorder(int x, int y, int dx, int dy) const;
    SKeys Keys(const SWindowKind& main, bool bBuilt, int x, int y, int dx, int dy) const;
    void ScoreKept(std::int32_t nSum, int x, int y, std::size_t n, STieScratch& ties) const;
    template <int nGroup> void ScoreGroup(int x, int y, const int* pDx, const int* pDy, double* pScores) const;

    const CSearchPlanes& m_planes;
    CFlatWindows& m_windows;
    std::int64_t m_nBuildAfter; // literal terms a thread adds before it builds the tables
    int m_nFragment;
    int m_nHalf;
    int m_nWidth;
    int m_nHeight;
    std::int32_t m_nThreeAreas;  // 3·S²
    std::uint64_t m_nReciprocal; // ceil(2^40 / (3·S²))
    double m_dArea;
    std::array<double, kMaxTerm + 1> m_terms; // t · K, rounded as the literal sum rounds it
};
