// The parallax search: the displacement of every pixel's fragment between the two working images.
#pragma once

#include "engine/base/depth_map_settings.h"
#include "engine/base/image.h"
#include "engine/base/stage_host.h"

#include <memory>
#include <vector>

struct SSearchSettings {
    int nFragmentSize = 2; // S: even, 2..128
    int nMaxParallaxX = 0; // HP: 0..128
    int nMaxParallaxY = 0; // VP: 0..128
};

// What a search leaves: the "-xd." and "-yd." images (W x H, the common area
// of the two working images) and the range of the displacements it chose.
struct SSearchResult {
    CImage xd;
    CImage yd;
    int nMinDx = 0;
    int nMaxDx = 0;
    int nMinDy = 0;
    int nMaxDy = 0;
};

// Whether the settings are within the job settings' ranges.
bool IsValidSearch(const SSearchSettings& settings);

// What the search of a job runs with: at a speed factor F above 1 the
// parallax limits divided by F, rounded, as the images are reduced by F.
SSearchSettings WorkingSearchSettings(const SDepthMapSettings& settings);

// The definition of the search, kept literal: for every position the
// candidates are tried dy outer, dx inner, both ascending, each scored by
// FragmentDifference with its sums in their written order, and the first
// strictly smaller score wins. Faster searches are checked against this one.
class CParallaxSearch {
public:
    CParallaxSearch();

    // Searches every pixel of the common area. Per row: host.PumpEvents()
    // while copying and while searching, host.StepProgress() after each
    // searched row (after SetProgressRange(H)). Returns false, with `result`
    // unspecified, when host.IsCancelled() turns true.
    bool Run(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host,
             SSearchResult& result);

    // The window operations of one position (X, Y) = (m_nPosX, m_nPosY) in
    // padded coordinates; public so that tests can reach single candidates.
    void Prepare(const CImage& main, const CImage& other, const SSearchSettings& settings);
    void LoadFragment();
    void ShiftFragment();
    void LoadSearchWindow();
    void ShiftSearchWindow();
    double FragmentDifference(int dx, int dy) const;
    void SearchPosition();

    int m_nPosX = 0;
    int m_nPosY = 0;
    int m_nBestDx = 0;
    int m_nBestDy = 0;
    int m_nBestScore = 0;

private:
    static constexpr int kFragmentSide = 256;
    static constexpr int kWindowSide = 512;

    bool CopyIntoPadding(const CImage& main, const CImage& other, CStageHost& host);
    void WritePixel(SSearchResult& result) const;
    // Sliding moves a ring start instead of copying: column i of the
    // fragment or window lives at (start + i) modulo the table's side.
    int FragmentIndex(int i, int j) const
    {
        return (((m_nFragmentStart + i) & (kFragmentSide - 1)) * kFragmentSide + j) * 3;
    }
    int WindowIndex(int i, int j) const { return ((m_nWindowStart + i) & (kWindowSide - 1)) * kWindowSide + j; }
    void LoadFragmentColumn(int i, int nColumn);
    void LoadWindowColumn(int i, int nColumn);

    int m_nFragmentSize = 2;
    int m_nHalf = 1;
    int m_nMaxParallaxX = 0;
    int m_nMaxParallaxY = 0;
    int m_nWorkWidth = 0;
    int m_nWorkHeight = 0;
    double m_dFragmentArea = 4.0;
    int m_nFragmentStart = 0;
    int m_nWindowStart = 0;
    std::unique_ptr<CImage> m_pPaddedMain; // none before the first search
    std::unique_ptr<CImage> m_pPaddedOther;
    std::vector<int> m_fragmentPixels;   // [i][j][c], 256 x 256 x 3
    std::vector<int> m_searchWindowBlue; // [i][j], 512 x 512 each
    std::vector<int> m_searchWindowGreen;
    std::vector<int> m_searchWindowRed;
};
