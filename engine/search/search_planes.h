// CSearchPlanes: black-bordered planar copies of the two working images, as the fast search reads them.
#pragma once

#include "engine/base/image.h"
#include "engine/base/zeroed_memory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The shape of one search: the common area, the fragment and the parallax
// limits, how many candidate columns a row of sums holds (2·HP + 1 rounded
// up for whole vectors), and how many rows of candidates are compared
// together.
struct SSearchGeometry {
    int nWidth = 0;    // W
    int nHeight = 0;   // H
    int nFragment = 2; // S
    int nHalf = 1;     // S / 2
    int nMaxDx = 0;    // HP
    int nMaxDy = 0;    // VP
    int nLanes = 1;    // >= 2·HP + 1
    int nRowsTogether = 1;
};

// Each image is split into a blue, a green and a red plane so that one load
// fetches the same colour of many neighbouring pixels. Pixel (u, v) of the
// common area keeps its coordinates; every position the search can reach
// outside the area reads black, as in the padded images of the literal
// search. The other image's planes reach further to the right, so that a
// whole vector of candidates can be read from any fragment column.
class CSearchPlanes {
public:
    CSearchPlanes() = default;
    // Sizes the planes for a search and blackens them; memory of an earlier
    // search is reused.
    void Reset(const SSearchGeometry& geometry);

    // Copies row y of the common area of both images.
    void CopyRow(const CImage& main, const CImage& other, int y);

    const SSearchGeometry& Geometry() const { return m_geometry; }
    // Plane c (0 blue, 1 green, 2 red) at column 0 of row v; columns from
    // -h to W + h - 1 (main) and -(h + HP) to W + h + lanes - HP (other) are readable.
    const std::uint8_t* MainRow(int c, int v) const { return Row(m_main, c, v, m_nMainStride, m_nMainOrigin); }
    const std::uint8_t* OtherRow(int c, int v) const { return Row(m_other, c, v, m_nOtherStride, m_nOtherOrigin); }
    std::ptrdiff_t MainStride() const { return m_nMainStride; }
    std::ptrdiff_t OtherStride() const { return m_nOtherStride; }

private:
    struct SPlanes {
        ZeroedVector<std::uint8_t> bytes;
        std::size_t nPlaneSize = 0;
    };
    static const std::uint8_t* Row(const SPlanes& planes, int c, int v, std::ptrdiff_t nStride, std::ptrdiff_t nOrigin)
    {
        return planes.bytes.data() + c * planes.nPlaneSize + nOrigin + v * nStride;
    }
    static void Allocate(SPlanes& planes, std::ptrdiff_t nStride, std::ptrdiff_t nRows);
    static void Split(const CImage& image, int y, SPlanes& planes, std::ptrdiff_t nStride, std::ptrdiff_t nOrigin,
                      int nWidth);

    SSearchGeometry m_geometry;
    SPlanes m_main;
    SPlanes m_other;
    std::ptrdiff_t m_nMainStride = 0;
    std::ptrdiff_t m_nOtherStride = 0;
    std::ptrdiff_t m_nMainOrigin = 0; // offset of pixel (0, 0) within a plane
    std::ptrdiff_t m_nOtherOrigin = 0;
};
