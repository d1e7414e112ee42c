// The literal parallax search: fragment, sliding search window and candidate scoring.
#include "engine/parallax_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

bool IsValidSearch(const SSearchSettings& s)
{
    return s.nFragmentSize >= 2 && s.nFragmentSize <= kMaxFragmentSize && s.nFragmentSize % 2 == 0 &&
           s.nMaxParallaxX >= 0 && s.nMaxParallaxX <= kMaxParallax && s.nMaxParallaxY >= 0 &&
           s.nMaxParallaxY <= kMaxParallax;
}

CParallaxSearch::CParallaxSearch()
    : m_fragmentPixels(kFragmentSide * kFragmentSide * 3),
      m_searchWindowBlue(kWindowSide * kWindowSide),
      m_searchWindowGreen(kWindowSide * kWindowSide),
      m_searchWindowRed(kWindowSide * kWindowSide)
{
}

void CParallaxSearch::Prepare(const CImage& main, const CImage& other, const SSearchSettings& settings)
{
    m_nFragmentSize = settings.nFragmentSize;
    m_nHalf = m_nFragmentSize / 2;
    m_nMaxParallaxX = settings.nMaxParallaxX;
    m_nMaxParallaxY = settings.nMaxParallaxY;
    m_dFragmentArea = std::pow(static_cast<double>(m_nFragmentSize), 2.0);
    m_nWorkWidth = std::min(main.Width(), other.Width());
    m_nWorkHeight = std::min(main.Height(), other.Height());
    const int nPaddedWidth = m_nWorkWidth + 2 * m_nMaxParallaxX + m_nFragmentSize;
    const int nPaddedHeight = m_nWorkHeight + 2 * m_nMaxParallaxY + m_nFragmentSize;
    m_pPaddedMain = CImage(nPaddedWidth, nPaddedHeight);
    m_pPaddedOther = CImage(nPaddedWidth, nPaddedHeight);
}

bool CParallaxSearch::CopyIntoPadding(const CImage& main, const CImage& other, CStageHost& host)
{
    const int nOffsetX = m_nHalf + m_nMaxParallaxX;
    const int nOffsetY = m_nHalf + m_nMaxParallaxY;
    const std::size_t nBytes = static_cast<std::size_t>(m_nWorkWidth) * 3;
    for (int y = 0; y < m_nWorkHeight; ++y) {
        host.PumpEvents();
        if (host.IsCancelled())
            return false;
        std::copy_n(main.Pixel(0, y), nBytes, m_pPaddedMain.Pixel(nOffsetX, y + nOffsetY));
        std::copy_n(other.Pixel(0, y), nBytes, m_pPaddedOther.Pixel(nOffsetX, y + nOffsetY));
    }
    return true;
}

void CParallaxSearch::LoadFragment()
{
    for (int i = 0; i < m_nFragmentSize; ++i)
        for (int j = 0; j < m_nFragmentSize; ++j) {
            const std::uint8_t* p = m_pPaddedMain.Pixel(m_nPosX - m_nHalf + i, m_nPosY - m_nHalf + j);
            for (int c = 0; c < 3; ++c)
                Fragment(i, j, c) = p[c];
        }
}

void CParallaxSearch::ShiftFragment()
{
    const int nColumnInts = kFragmentSide * 3;
    std::copy_n(&Fragment(1, 0, 0), (m_nFragmentSize - 1) * nColumnInts, &Fragment(0, 0, 0));
    const int i = m_nFragmentSize - 1;
    for (int j = 0; j < m_nFragmentSize; ++j) {
        const std::uint8_t* p = m_pPaddedMain.Pixel(m_nPosX + m_nHalf - 1, m_nPosY - m_nHalf + j);
        for (int c = 0; c < 3; ++c)
            Fragment(i, j, c) = p[c];
    }
}

void CParallaxSearch::StoreWindowEntry(int i, int j, const std::uint8_t* pPixel)
{
    const int n = i * kWindowSide + j;
    m_searchWindowBlue[n] = pPixel[0];
    m_searchWindowGreen[n] = pPixel[1];
    m_searchWindowRed[n] = pPixel[2];
}

void CParallaxSearch::LoadSearchWindow()
{
    const int nCols = 2 * (m_nMaxParallaxX + m_nHalf);
    const int nRows = 2 * (m_nMaxParallaxY + m_nHalf);
    const int nLeft = m_nPosX - m_nMaxParallaxX - m_nHalf;
    const int nBottom = m_nPosY - m_nMaxParallaxY - m_nHalf;
    for (int i = 0; i < nCols; ++i)
        for (int j = 0; j < nRows; ++j)
            StoreWindowEntry(i, j, m_pPaddedOther.Pixel(nLeft + i, nBottom + j));
}

void CParallaxSearch::ShiftSearchWindow()
{
    const int nCols = 2 * (m_nMaxParallaxX + m_nHalf);
    const int nRows = 2 * (m_nMaxParallaxY + m_nHalf);
    for (std::vector<int>* pTable : {&m_searchWindowBlue, &m_searchWindowGreen, &m_searchWindowRed})
        std::copy_n(pTable->begin() + kWindowSide, (nCols - 1) * kWindowSide, pTable->begin());
    const int nColumn = m_nPosX + m_nMaxParallaxX + m_nHalf - 1;
    const int nBottom = m_nPosY - m_nMaxParallaxY - m_nHalf;
    for (int j = 0; j < nRows; ++j)
        StoreWindowEntry(nCols - 1, j, m_pPaddedOther.Pixel(nColumn, nBottom + j));
}

double CParallaxSearch::FragmentDifference(int dx, int dy) const
{
    constexpr double K = 0.3333333333333333;
    double sum = 0.0;
    for (int i = 0; i < m_nFragmentSize; ++i) {
        const int nColumn = (i + m_nMaxParallaxX + dx) * kWindowSide + m_nMaxParallaxY + dy;
        const int* pBlue = &m_searchWindowBlue[nColumn];
        const int* pGreen = &m_searchWindowGreen[nColumn];
        const int* pRed = &m_searchWindowRed[nColumn];
        const int* pFragment = &Fragment(i, 0, 0);
        for (int j = 0; j < m_nFragmentSize; ++j, pFragment += 3) {
            const int t = std::abs(pFragment[0] - pBlue[j]) + std::abs(pFragment[2] - pRed[j]) +
                          std::abs(pFragment[1] - pGreen[j]);
            sum = sum + t * K;
        }
    }
    return sum / m_dFragmentArea;
}

void CParallaxSearch::SearchPosition()
{
    double best = 300.0;
    for (int dy = -m_nMaxParallaxY; dy <= m_nMaxParallaxY; ++dy)
        for (int dx = -m_nMaxParallaxX; dx <= m_nMaxParallaxX; ++dx) {
            const double s = FragmentDifference(dx, dy);
            if (s < best) {
                best = s;
                m_nBestDx = dx;
                m_nBestDy = dy;
            }
        }
    m_nBestScore = static_cast<int>(best);
}

void CParallaxSearch::WritePixel(SSearchResult& result) const
{
    const int x = m_nPosX - m_nHalf - m_nMaxParallaxX;
    const int y = m_nPosY - m_nHalf - m_nMaxParallaxY;
    std::uint8_t* pXd = result.xd.Pixel(x, y);
    pXd[0] = static_cast<std::uint8_t>(m_nBestDx < 0 ? -m_nBestDx : 0);
    pXd[1] = static_cast<std::uint8_t>(m_nBestDx >= 0 ? m_nBestDx : 0);
    pXd[2] = static_cast<std::uint8_t>(m_nBestScore);
    std::uint8_t* pYd = result.yd.Pixel(x, y);
    pYd[0] = static_cast<std::uint8_t>(m_nBestDy < 0 ? -m_nBestDy : 0);
    pYd[1] = static_cast<std::uint8_t>(m_nBestDy >= 0 ? m_nBestDy : 0);
    pYd[2] = 0;
}

bool CParallaxSearch::Run(const CImage& main, const CImage& other, const SSearchSettings& settings,
                          CStageHost& host, SSearchResult& result)
{
    Prepare(main, other, settings);
    if (!CopyIntoPadding(main, other, host))
        return false;
    result = SSearchResult{CImage(m_nWorkWidth, m_nWorkHeight), CImage(m_nWorkWidth, m_nWorkHeight)};
    host.SetProgressRange(m_nWorkHeight);
    const int nFirstX = m_nMaxParallaxX + m_nHalf;
    const int nFirstY = m_nMaxParallaxY + m_nHalf;
    for (m_nPosY = nFirstY; m_nPosY < nFirstY + m_nWorkHeight; ++m_nPosY) {
        host.PumpEvents();
        if (host.IsCancelled())
            return false;
        for (m_nPosX = nFirstX; m_nPosX < nFirstX + m_nWorkWidth; ++m_nPosX) {
            if (m_nPosX == nFirstX) {
                LoadFragment();
                LoadSearchWindow();
            } else {
                ShiftFragment();
                ShiftSearchWindow();
            }
            SearchPosition();
            result.nMinDx = std::min(result.nMinDx, m_nBestDx);
            result.nMaxDx = std::max(result.nMaxDx, m_nBestDx);
            result.nMinDy = std::min(result.nMinDy, m_nBestDy);
            result.nMaxDy = std::max(result.nMaxDy, m_nBestDy);
            WritePixel(result);
        }
        host.StepProgress();
    }
    return true;
}
