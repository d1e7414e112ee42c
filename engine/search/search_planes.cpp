// CSearchPlanes: the planar, black-bordered working copies of the fast search.
#include "engine/search/search_planes.h"

#include "engine/search/fast_search_kernel.h"

void CSearchPlanes::Reset(const SSearchGeometry& geometry)
{
    m_geometry = geometry;
    const SSearchGeometry& g = geometry;
    // The main image is read h columns and rows around the area; the other
    // image h + HP columns and h + VP rows around it, and a vector of
    // candidates further to the right.
    m_nMainStride = static_cast<std::ptrdiff_t>(g.nWidth) + g.nFragment;
    m_nMainOrigin = static_cast<std::ptrdiff_t>(g.nHalf) * m_nMainStride + g.nHalf;
    Allocate(m_main, m_nMainStride, static_cast<std::ptrdiff_t>(g.nHeight) + g.nFragment);
    const std::ptrdiff_t nLeft = static_cast<std::ptrdiff_t>(g.nHalf) + g.nMaxDx;
    m_nOtherStride = static_cast<std::ptrdiff_t>(g.nWidth) + g.nFragment + g.nLanes;
    m_nOtherOrigin = (static_cast<std::ptrdiff_t>(g.nHalf) + g.nMaxDy) * m_nOtherStride + nLeft;
    Allocate(m_other, m_nOtherStride, static_cast<std::ptrdiff_t>(g.nHeight) + g.nFragment + 2 * g.nMaxDy);
}

void CSearchPlanes::Allocate(SPlanes& planes, std::ptrdiff_t nStride, std::ptrdiff_t nRows)
{
    planes.nPlaneSize = static_cast<std::size_t>(nStride * nRows);
    const std::size_t nBytes = 3 * planes.nPlaneSize;
    if (planes.bytes.capacity() >= nBytes) {
        planes.bytes.assign(nBytes, 0);
        return;
    }
    // Fresh memory is black already; the old block goes first.
    ZeroedVector<std::uint8_t>().swap(planes.bytes);
    planes.bytes.resize(nBytes);
}

void CSearchPlanes::Split(const CImage& image, int y, SPlanes& planes, std::ptrdiff_t nStride, std::ptrdiff_t nOrigin,
                          int nWidth)
{
    std::uint8_t* pRow = planes.bytes.data() + nOrigin + y * nStride;
    SplitPixels(image.Pixel(0, y), static_cast<std::size_t>(nWidth), pRow, pRow + planes.nPlaneSize,
                pRow + 2 * planes.nPlaneSize);
}

void CSearchPlanes::CopyRow(const CImage& main, const CImage& other, int y)
{
    Split(main, y, m_main, m_nMainStride, m_nMainOrigin, m_geometry.nWidth);
    Split(other, y, m_other, m_nOtherStride, m_nOtherOrigin, m_geometry.nWidth);
}
