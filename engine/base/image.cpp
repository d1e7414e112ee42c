// CImage: allocation of a black 24-bit image.
#include "engine/base/image.h"

#include <new>

CImage::CImage(int nWidth, int nHeight)
{
    if (nWidth < 0 || nHeight < 0)
        throw std::bad_alloc();
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    // Fresh zeroed memory: black without a pass that writes it.
    m_bytes.resize(static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nHeight) * kBytesPerPixel);
}
