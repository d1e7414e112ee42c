// The outline and smoothing stages in memory: the row kernels run through the row loop, with events and cancellation.
#include "engine/job/smoothing_stages.h"

#include "engine/job/row_stage.h"

#include "engine/kernels/gradient_image.h"
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/segment_smoothing.h"
#include "engine/kernels/sign_image.h"
#include <algorithm>

namespace {

using TImage = std::shared_ptr<const CImage>;

// The output of a kernel over the whole of its inputs; null when cancelled.
TImage RowImage(CStageHost& host, TStageImages inputs, const TRowKernel& kernel)
{
    TImage output;
    const auto load = [&](TStageImages& images) {
        images = std::move(inputs);
        return true;
    };
    return RunStage(host, {}, load, 0, kernel, [&](TImage image) { return (output = std::move(image)) != nullptr; })
        ? output
        : nullptr;
}

// The caller keeps its images; the stages only read them.
TImage Borrowed(const CImage& image)
{
    return TImage(&image, [](const CImage*) {});
}

} // namespace

TImage MakeSignImage(const CImage& source, CStageHost& host)
{
    return RowImage(host, {Borrowed(source)},
                    [](const TStageImages& in, CImage& out, int y) { ComputeSignRow(*in[0], out, y); });
}

TImage MakeGradientImage(const CImage& source, CStageHost& host)
{
    return RowImage(host, {Borrowed(source)},
                    [](const TStageImages& in, CImage& out, int y) { ComputeGradientRow(*in[0], out, y); });
}

TImage MaskOutlineImage(const CImage& sign, const CImage& gradient, int nLevel, CStageHost& host)
{
    return RowImage(host, {Borrowed(sign), Borrowed(gradient)}, [nLevel](const TStageImages& in, CImage& out, int y) {
        MaskOutlineRow(*in[0], *in[1], nLevel, out, y);
    });
}

TImage MakeOutlineImage(const CImage& source, int nLevel, CStageHost& host)
{
    const TImage sign = MakeSignImage(source, host);
    const TImage gradient = sign ? MakeGradientImage(source, host) : nullptr;
    return gradient ? MaskOutlineImage(*sign, *gradient, nLevel, host) : nullptr;
}

TImage SmoothDepthMap(TImage map, const CImage& outline, int nDegree, CStageHost& host)
{
    for (int nPass = 0; nPass < std::max(1, nDegree); ++nPass) {
        auto smoothed = std::make_shared<CImage>(AllocateSmoothingResult(outline, *map));
        if (!RunRows(host, {}, smoothed->Height(), 0, smoothed->Height(),
                     [&](int y) { SmoothDepthRow(outline, *map, *smoothed, y); }))
            return nullptr;
        map = std::move(smoothed);
    }
    return map;
}
