// tessaly.outline and tessaly.smooth: the outline images of a pair and segment smoothing, in memory.
#include "engine/job/smoothing_stages.h"
#include "python/arguments.h"
#include "python/array_image.h"
#include "python/bindings.h"
#include "python/python_host.h"

#include <utility>

namespace {

using TImage = std::shared_ptr<const CImage>;

py::tuple OutlinesOfArrays(py::handle left, py::handle right, py::handle level)
{
    const int nLevel = WholeNumberArg(level, "level", 0, 256);
    const TImage pLeft = ImageArg(left, "left");
    const TImage pRight = ImageArg(right, "right");
    CPythonHost host;
    const auto outlines = RunWithoutGil<py::value_error>(host, [&] {
        TImage leftOutline = MakeOutlineImage(*pLeft, nLevel, host);
        return std::pair(leftOutline, leftOutline ? MakeOutlineImage(*pRight, nLevel, host) : nullptr);
    });
    return py::make_tuple(RgbArray(*outlines.first), RgbArray(*outlines.second));
}

py::array SmoothArray(py::handle depth, py::handle outline, py::handle degree)
{
    const int nDegree = WholeNumberArg(degree, "degree", 0, 1000);
    TImage pMap = ImageArg(depth, "depth");
    const TImage pOutline = ImageArg(outline, "outline");
    CPythonHost host;
    const TImage smoothed = RunWithoutGil<py::value_error>(
        host, [&] { return SmoothDepthMap(std::move(pMap), *pOutline, nDegree, host); });
    if (py::reinterpret_borrow<py::array>(depth).ndim() == 2)
        return LevelArray(*smoothed);
    return RgbArray(*smoothed);
}

const char* const kOutlineDoc = R"(outline(left, right, *, level=50) -> (left_outline, right_outline)

The outline images of a pair, as tessaly-cli outline writes them ("-outline."): each pixel green
or blue by the side of an edge it lies on, white where the view's gradient is below the level.
smooth() keeps a depth map's levels from crossing these outlines.

left, right  the views: uint8 arrays of shape (H, W, 3), RGB, or (H, W), grey.
level        0 to 256 (tessaly-cli --level): 0 whitens nothing, 256 everything.

Returns two (H, W, 3) uint8 RGB arrays. The GIL is released while they are made.)";

const char* const kSmoothDoc = R"(smooth(depth, outline, *, degree=5) -> array

A depth map smoothed without crossing the outlines of its side, as tessaly-cli smooth writes it
("-3dmapNew."): each pass gives every inner pixel the mean level of the pixels around it on its
side of the outline.

depth    the depth map: DepthMap.images["3dmap"] ((H, W, 3) uint8) or DepthMap.depth ((H, W)).
outline  the outline image of the same side, from outline().
degree   the number of passes, 0 to 1000; 0 and 1 both run one (tessaly-cli --degree).

Returns an array of the depth map's shape, at the smaller size of the two inputs; its four
corner pixels are 0, as in the file. The GIL is released while it is made.)";

} // namespace

void BindSmoothing(py::module_& module)
{
    module.def("outline", &OutlinesOfArrays, kOutlineDoc, py::arg("left"), py::arg("right"), py::kw_only(),
               py::arg("level") = 50);
    module.def("smooth", &SmoothArray, kSmoothDoc, py::arg("depth"), py::arg("outline"), py::kw_only(),
               py::arg("degree") = 5);
}
