// The literal parallax search: fragment, sliding search window and candidate scoring.
#include "engine/search/parallax_search.h"

#include "engine/base/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// The ranges are the job settings' own, so that they are written once.
bool IsValidSearch(const SSearchSettings& s)
{
    SDepthMapSettings settings;
    settings.m_nFragmentSize = s.nFragmentSize;
    settings.m_nMaxParallaxX = s.nMaxParallaxX;
    settings.m_nMaxParallaxY = s.nMaxParallaxY;
    return settings.IsValid();
}

SSearchSettings WorkingSearchSettings(const SDepthMapSettings& settings)
{
    const double dFactor = settings.m_nSpeedFactor;
    return {settings.m_nFragmentSize, RoundToInt(settings.m_nMaxParallaxX / dFactor),
            RoundToInt(settings.m_nMaxParallaxY / dFactor)};
}

CParallaxSearch::CParallaxSearch()
    : m_fragmentPixels(kFragmentSide * kFragmentSide * 3)
    , m_searchWindowBlue(kWindowSide * kWindowSide)
    , m_searchWindowGreen(kWindowSide * kWindowSide)
    , m_searchWindowRed(kWindowSide * kWindowSide)
{ }

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
    m_pPaddedMain = std::make_unique<CImage>(nPaddedWidth, nPaddedHeight);
    m_pPaddedOther = std::make_unique<CImage>(nPaddedWidth, nPaddedHeight);
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
        std::copy_n(main.Pixel(0, y), nBytes, m_pPaddedMain->Pixel(nOffsetX, y + nOffsetY));
        std::copy_n(other.Pixel(0, y), nBytes, m_pPaddedOther->Pixel(nOffsetX, y + nOffsetY));
    }
    return true;
}

void CParallaxSearch::LoadFragmentColumn(int i, int nColumn)
{
    int* pEntry = &m_fragmentPixels[FragmentIndex(i, 0)];
    for (int j = 0; j < m_nFragmentSize; ++j, pEntry += 3) {
        const std::uint8_t* p = m_pPaddedMain->Pixel(nColumn, m_nPosY - m_nHalf + j);
        pEntry[0] = p[0];
        pEntry[1] = p[1];
        pEntry[2] = p[2];
    }
}

void CParallaxSearch::LoadFragment()
{
    m_nFragmentStart = 0;
    for (int i = 0; i < m_nFragmentSize; ++i)
        LoadFragmentColumn(i, m_nPosX - m_nHalf + i);
}

void CParallaxSearch::ShiftFragment()
{
    ++m_nFragmentStart;
    LoadFragmentColumn(m_nFragmentSize - 1, m_nPosX + m_nHalf - 1);
}

void CParallaxSearch::LoadWindowColumn(int i, int nColumn)
{
    const int nRows = 2 * (m_nMaxParallaxY + m_nHalf);
    const int nBottom = m_nPosY - m_nMaxParallaxY - m_nHalf;
    const int n = WindowIndex(i, 0);
    for (int j = 0; j < nRows; ++j) {
        const std::uint8_t* p = m_pPaddedOther->Pixel(nColumn, nBottom + j);
        m_searchWindowBlue[n + j] = p[0];
        m_searchWindowGreen[n + j] = p[1];
        m_searchWindowRed[n + j] = p[2];
    }
}

void CParallaxSearch::LoadSearchWindow()
{
    m_nWindowStart = 0;
    const int nCols = 2 * (m_nMaxParallaxX + m_nHalf);
    for (int i = 0; i < nCols; ++i)
        LoadWindowColumn(i, m_nPosX - m_nMaxParallaxX - m_nHalf + i);
}

void CParallaxSearch::ShiftSearchWindow()
{
    ++m_nWindowStart;
    const int nCols = 2 * (m_nMaxParallaxX + m_nHalf);
    LoadWindowColumn(nCols - 1, m_nPosX + m_nMaxParallaxX + m_nHalf - 1);
}

double CParallaxSearch::FragmentDifference(int dx, int dy) const
{
    constexpr double K = 0.3333333333333333;
    double sum = 0.0;
    for (int i = 0; i < m_nFragmentSize; ++i) {
        const int nWindow = WindowIndex(i + m_nMaxParallaxX + dx, m_nMaxParallaxY + dy);
        const int* pBlue = &m_searchWindowBlue[nWindow];
        const int* pGreen = &m_searchWindowGreen[nWindow];
        const int* pRed = &m_searchWindowRed[nWindow];
        const int* pFragment = &m_fragmentPixels[FragmentIndex(i, 0)];
        for (int j = 0; j < m_nFragmentSize; ++j, pFragment += 3) {
            const int t = std::abs(pFragment[0] - pBlue[j]) + std::abs(pFragment[2] - pRed[j])
                + std::abs(pFragment[1] - pGreen[j]);
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

bool CParallaxSearch::Run(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host,
                          SSearchResult& result)
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
