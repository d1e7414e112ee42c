// CFlatWindows: which fragment windows of the search planes are of one colour or grey, for exact shortcuts in ties.
#pragma once

#include "engine/search/search_planes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// What an S × S window of a plane holds, judged by its pixels in the area;
// the rest of it is black border.
struct SWindowKind {
    bool bEmpty = false;       // no pixel in the area
    bool bInside = false;      // every pixel in the area
    bool bFlat = false;        // its pixels in the area all have the colour nColour
    bool bGrey = false;        // its pixels in the area all have equal blue, green and red
    std::uint32_t nColour = 0; // blue + green·2^8 + red·2^16 of a flat window
};

// Tables, filled once per search by the first thread that asks, of the
// windows of both images: per window corner (u, v), whether the rows of the
// window in the area are flat or grey.
class CFlatWindows {
public:
    // Sizes the tables for the planes, which must stay as they are until the
    // next Reset; Build fills them.
    void Reset(const CSearchPlanes& planes);
    // Fills the tables unless another thread has begun to; returns at once then.
    void Build();
    bool IsBuilt() const { return m_nState.load(std::memory_order_acquire) == kBuilt; }
    // The windows of the main and the other image whose first column and row
    // are u and v of the area. bFlat, bGrey and nColour are known once built.
    SWindowKind Main(int u, int v) const { return Kind(m_main, u, v); }
    SWindowKind Other(int u, int v) const { return Kind(m_other, u, v); }

private:
    static constexpr int kEmpty = 0, kBuilding = 1, kBuilt = 2;
    static constexpr std::uint8_t kFlatBit = 1, kGreyBit = 2;
    // Bytes kept between searches and not cleared: Build writes each one
    // before it is read.
    class CBytes {
    public:
        std::uint8_t* Reserve(std::size_t nSize);

    private:
        std::unique_ptr<std::uint8_t[]> m_pBytes;
        std::size_t m_nSize = 0;
    };
    // Per column u from 1 − S to W − 1 and row v from 0 to H − 1: the flat
    // and grey bits of the min(S, H − v) rows from v on; and the number of
    // flat and grey rows from row 0 on, at most S, for windows reaching below it.
    struct STable {
        bool bMain = true;
        std::size_t nColumns = 0;
        std::uint8_t* pBits = nullptr;
        std::uint8_t* pFlatRows = nullptr;
        std::uint8_t* pGreyRows = nullptr;
        CBytes memory;
    };

    void Allocate(STable& table, bool bMain);
    void Fill(STable& table);
    void RowRuns(const STable& table, int v);
    const std::uint8_t* Plane(const STable& table, int c, int v) const;
    SWindowKind Kind(const STable& table, int u, int v) const;

    const CSearchPlanes* m_pPlanes = nullptr;
    int m_nFragment = 2;
    int m_nWidth = 0;
    int m_nHeight = 0;
    STable m_main;
    STable m_other;
    // Per column: whether the row's S pixels from it on are flat and grey,
    // and how many rows from the current one up are.
    std::uint8_t* m_pRuns = nullptr;
    CBytes m_runs;
    std::atomic<int> m_nState{kEmpty};
};
