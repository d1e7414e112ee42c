// CFlatWindows: tables of flat and grey windows, filled from the top row down with runs of rows.
#include "engine/search/exact_choice_windows.h"

#include <algorithm>

std::uint8_t* CFlatWindows::CBytes::Reserve(std::size_t nSize)
{
    if (nSize > m_nSize) {
        m_pBytes.reset();
        m_pBytes.reset(new std::uint8_t[nSize]);
        m_nSize = nSize;
    }
    return m_pBytes.get();
}

void CFlatWindows::Reset(const CSearchPlanes& planes)
{
    const SSearchGeometry& g = planes.Geometry();
    m_pPlanes = &planes;
    m_nFragment = g.nFragment;
    m_nWidth = g.nWidth;
    m_nHeight = g.nHeight;
    Allocate(m_main, true);
    Allocate(m_other, false);
    m_pRuns = m_runs.Reserve(4 * m_main.nColumns);
    m_nState.store(kEmpty);
}

void CFlatWindows::Allocate(STable& table, bool bMain)
{
    table.bMain = bMain;
    table.nColumns = static_cast<std::size_t>(m_nWidth) + m_nFragment - 1;
    table.pBits = table.memory.Reserve(table.nColumns * (static_cast<std::size_t>(m_nHeight) + 2));
    table.pFlatRows = table.pBits + table.nColumns * m_nHeight;
    table.pGreyRows = table.pFlatRows + table.nColumns;
}

void CFlatWindows::Build()
{
    int nState = kEmpty;
    if (!m_nState.compare_exchange_strong(nState, kBuilding))
        return;
    Fill(m_main);
    Fill(m_other);
    m_nState.store(kBuilt, std::memory_order_release);
}

const std::uint8_t* CFlatWindows::Plane(const STable& table, int c, int v) const
{
    return table.bMain ? m_pPlanes->MainRow(c, v) : m_pPlanes->OtherRow(c, v);
}

// Column u + S − 1 of the runs: whether the S pixels of row v from u on
// are flat and grey, taking the pixels left and right of the area as
// copies of the nearest one in the row; so a window's pixels in the area
// are flat when its rows there are flat in the same colour.
void CFlatWindows::RowRuns(const STable& table, int v)
{
    const std::uint8_t* pBlue = Plane(table, 0, v);
    const std::uint8_t* pGreen = Plane(table, 1, v);
    const std::uint8_t* pRed = Plane(table, 2, v);
    const auto same
        = [&](int a, int b) { return pBlue[a] == pBlue[b] && pGreen[a] == pGreen[b] && pRed[a] == pRed[b]; };
    const auto grey = [&](int a) { return pBlue[a] == pGreen[a] && pGreen[a] == pRed[a]; };
    const int s = m_nFragment;
    std::uint8_t* pFlat = m_pRuns;
    std::uint8_t* pGrey = pFlat + table.nColumns;
    int nFlat = s;
    int nGrey = grey(m_nWidth - 1) ? s : 0;
    for (int u = m_nWidth - 1; u >= 1 - s; --u) {
        if (u < m_nWidth - 1) {
            nFlat = u < 0 || same(u, u + 1) ? std::min(nFlat + 1, s) : 1;
            nGrey = grey(std::max(u, 0)) ? std::min(nGrey + 1, s) : 0;
        }
        pFlat[u + s - 1] = nFlat >= s;
        pGrey[u + s - 1] = nGrey >= s;
    }
}

// From the top row down: how many rows from each row up are flat in one
// colour, or grey; the top row counts as S, as the rows above the area
// would be copies of it.
void CFlatWindows::Fill(STable& table)
{
    const int s = m_nFragment;
    const std::size_t nColumns = table.nColumns;
    const std::uint8_t* pRowFlat = m_pRuns;
    const std::uint8_t* pRowGrey = pRowFlat + nColumns;
    std::uint8_t* pFlatRows = m_pRuns + 2 * nColumns;
    std::uint8_t* pGreyRows = m_pRuns + 3 * nColumns;
    for (int v = m_nHeight - 1; v >= 0; --v) {
        RowRuns(table, v);
        const bool bTop = v == m_nHeight - 1;
        const std::uint8_t* pHere[3] = {Plane(table, 0, v), Plane(table, 1, v), Plane(table, 2, v)};
        const std::uint8_t* pAbove[3] = {Plane(table, 0, v + 1), Plane(table, 1, v + 1), Plane(table, 2, v + 1)};
        const int nNeed = std::min(s, m_nHeight - v);
        std::uint8_t* pBits = table.pBits + static_cast<std::size_t>(v) * nColumns;
        for (std::size_t i = 0; i < nColumns; ++i) {
            const int u = std::clamp(static_cast<int>(i) - s + 1, 0, m_nWidth - 1);
            const bool bSameAbove
                = pHere[0][u] == pAbove[0][u] && pHere[1][u] == pAbove[1][u] && pHere[2][u] == pAbove[2][u];
            int nFlat = 0;
            if (pRowFlat[i])
                nFlat = bTop ? s : bSameAbove && pFlatRows[i] > 0 ? std::min(pFlatRows[i] + 1, s) : 1;
            const int nGrey = !pRowGrey[i] ? 0 : bTop ? s : std::min(pGreyRows[i] + 1, s);
            pFlatRows[i] = static_cast<std::uint8_t>(nFlat);
            pGreyRows[i] = static_cast<std::uint8_t>(nGrey);
            pBits[i] = static_cast<std::uint8_t>((nFlat >= nNeed ? kFlatBit : 0) | (nGrey >= nNeed ? kGreyBit : 0));
        }
    }
    std::copy_n(pFlatRows, nColumns, table.pFlatRows);
    std::copy_n(pGreyRows, nColumns, table.pGreyRows);
}

SWindowKind CFlatWindows::Kind(const STable& table, int u, int v) const
{
    const int s = m_nFragment;
    SWindowKind kind;
    kind.bEmpty = u > m_nWidth - 1 || u + s - 1 < 0 || v > m_nHeight - 1 || v + s - 1 < 0;
    if (kind.bEmpty)
        return kind;
    kind.bInside = u >= 0 && u + s <= m_nWidth && v >= 0 && v + s <= m_nHeight;
    const std::size_t i = static_cast<std::size_t>(u + s - 1);
    if (v >= 0) {
        const std::uint8_t bits = table.pBits[i + static_cast<std::size_t>(v) * table.nColumns];
        kind.bFlat = (bits & kFlatBit) != 0;
        kind.bGrey = (bits & kGreyBit) != 0;
    } else {
        const int nNeed = std::min(v + s, m_nHeight);
        kind.bFlat = table.pFlatRows[i] >= nNeed;
        kind.bGrey = table.pGreyRows[i] >= nNeed;
    }
    if (kind.bFlat) {
        const int a = std::clamp(u, 0, m_nWidth - 1), b = std::max(v, 0);
        kind.nColour = Plane(table, 0, b)[a] | Plane(table, 1, b)[a] << 8 | Plane(table, 2, b)[a] << 16;
    }
    return kind;
}
