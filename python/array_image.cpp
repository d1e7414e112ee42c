// Conversions between numpy arrays and images, the row loops run without the GIL.
#include "python/array_image.h"

#include "engine/base/thread_budget.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Row y of a picture from the top is row H-1-y of an image.
int StoredRow(const CImage& image, int y)
{
    return image.Height() - 1 - y;
}

// An array's row of RGB pixels into a row of BGR pixels. The plain layout
// (3 bytes a pixel, 1 a channel) gets a loop of its own, which the
// compiler vectorises; any other strides take the general one.
void RgbRowToBgr(const std::uint8_t* pSource, py::ssize_t nPixelStride, py::ssize_t nChannelStride, int nWidth,
                 std::uint8_t* pOut)
{
    if (nPixelStride == 3 && nChannelStride == 1) {
        for (int x = 0; x < nWidth; ++x, pSource += 3, pOut += 3) {
            pOut[0] = pSource[2];
            pOut[1] = pSource[1];
            pOut[2] = pSource[0];
        }
        return;
    }
    for (int x = 0; x < nWidth; ++x, pSource += nPixelStride, pOut += 3) {
        pOut[0] = pSource[2 * nChannelStride];
        pOut[1] = pSource[nChannelStride];
        pOut[2] = pSource[0];
    }
}

void GreyRowToBgr(const std::uint8_t* pSource, py::ssize_t nPixelStride, int nWidth, std::uint8_t* pOut)
{
    for (int x = 0; x < nWidth; ++x, pSource += nPixelStride, pOut += 3)
        pOut[0] = pOut[1] = pOut[2] = *pSource;
}

// Runs rows(first, end) over [0, nRows) in blocks on up to the thread
// budget's threads: a 10-megapixel copy is bound by memory and by the
// first touch of fresh pages, which two cores share better than one.
void ForRowBlocks(int nRows, std::size_t nRowBytes, const std::function<void(int, int)>& rows)
{
    constexpr std::size_t kBytesPerThread = std::size_t{8} << 20;
    const std::size_t nBytes = nRowBytes * static_cast<std::size_t>(nRows);
    const int nThreads = static_cast<int>(
        std::clamp<std::size_t>(nBytes / kBytesPerThread, 1, static_cast<std::size_t>(std::min(ThreadBudget(), 8))));
    std::vector<std::jthread> workers;
    for (int i = 1; i < nThreads; ++i)
        workers.emplace_back(rows, nRows * i / nThreads, nRows * (i + 1) / nThreads);
    rows(0, nRows / nThreads);
}

// A new array of the picture's shape, filled row by row from the top
// without the GIL: fill(stored row, array row).
template <typename T, typename Fill> py::array_t<T> NewArray(const CImage& image, int nChannels, Fill fill)
{
    std::vector<py::ssize_t> shape{image.Height(), image.Width()};
    if (nChannels > 1)
        shape.push_back(nChannels);
    py::array_t<T> array(shape);
    T* pData = array.mutable_data();
    const std::size_t nRow = static_cast<std::size_t>(image.Width()) * nChannels;
    py::gil_scoped_release release;
    ForRowBlocks(image.Height(), nRow * sizeof(T), [&](int nFirst, int nEnd) {
        for (int y = nFirst; y < nEnd; ++y)
            fill(image.Row(StoredRow(image, y)).data(), pData + nRow * y);
    });
    return array;
}

} // namespace

CImage ImageFromArray(const py::array& array)
{
    const bool bGrey = array.ndim() == 2;
    const int nHeight = static_cast<int>(array.shape(0));
    const int nWidth = static_cast<int>(array.shape(1));
    const py::ssize_t nRowStride = array.strides(0);
    const py::ssize_t nPixelStride = array.strides(1);
    const py::ssize_t nChannelStride = bGrey ? 0 : array.strides(2);
    const auto* pData = static_cast<const std::uint8_t*>(array.data());
    CImage image(nWidth, nHeight);
    py::gil_scoped_release release;
    ForRowBlocks(nHeight, image.Pitch(), [&](int nFirst, int nEnd) {
        for (int y = nFirst; y < nEnd; ++y) {
            const std::uint8_t* pRow = pData + nRowStride * y;
            std::uint8_t* pOut = image.Row(StoredRow(image, y)).data();
            if (bGrey)
                GreyRowToBgr(pRow, nPixelStride, nWidth, pOut);
            else
                RgbRowToBgr(pRow, nPixelStride, nChannelStride, nWidth, pOut);
        }
    });
    return image;
}

py::array_t<std::uint8_t> RgbArray(const CImage& image)
{
    return NewArray<std::uint8_t>(image, 3, [&](const std::uint8_t* pRow, std::uint8_t* pOut) {
        RgbRowToBgr(pRow, 3, 1, image.Width(), pOut); // the same swap of the outer channels
    });
}

py::array_t<std::uint8_t> LevelArray(const CImage& image)
{
    return NewArray<std::uint8_t>(image, 1, [&](const std::uint8_t* pRow, std::uint8_t* pOut) {
        for (int x = 0; x < image.Width(); ++x)
            pOut[x] = pRow[3 * x];
    });
}

py::array_t<std::int16_t> DisplacementArray(const CImage& image)
{
    return NewArray<std::int16_t>(image, 1, [&](const std::uint8_t* pRow, std::int16_t* pOut) {
        for (int x = 0; x < image.Width(); ++x)
            pOut[x] = static_cast<std::int16_t>(pRow[3 * x + 1] - pRow[3 * x]);
    });
}
