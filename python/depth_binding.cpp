// tessaly.depth_map: the in-memory depth map of two arrays, and its result.
#include "engine/base/thread_budget.h"
#include "engine/job/depth_map_maker.h"
#include "python/arguments.h"
#include "python/array_image.h"
#include "python/bindings.h"
#include "python/python_host.h"

#include <pybind11/stl.h>

#include <optional>

namespace {

using S = SDepthMapSettings;

// The levels are an array from the start; the displacements and the images
// become arrays when first read, so that a caller who wants the levels alone
// does not pay for five more copies (at 10 megapixels, 150 MB). The
// engine's images are let go once every array made of them is made.
class CPythonDepthMap {
public:
    CPythonDepthMap(SDepthMap made, std::string side)
        : m_depth(LevelArray(*made.map))
        , m_range(made.range)
        , m_side(std::move(side))
        , m_made(std::move(made))
    { }

    const py::array_t<std::uint8_t>& Depth() const { return m_depth; }
    const py::array_t<std::int16_t>& Dx()
    {
        return Made(m_dx, [&] { return DisplacementArray(*m_made.xd); });
    }
    const py::array_t<std::int16_t>& Dy()
    {
        return Made(m_dy, [&] { return DisplacementArray(*m_made.yd); });
    }
    const py::dict& Images()
    {
        return Made(m_images, [&] {
            py::dict images;
            images["xd"] = RgbArray(*m_made.xd);
            images["yd"] = RgbArray(*m_made.yd);
            images["3dmap"] = RgbArray(*m_made.map);
            return images;
        });
    }
    const SDisplacementRange& Range() const { return m_range; }
    const std::string& Side() const { return m_side; }

private:
    template <typename T, typename Make> const T& Made(std::optional<T>& array, Make make)
    {
        if (!array)
            array.emplace(make());
        if (m_dx && m_dy && m_images)
            m_made = {};
        return *array;
    }

    py::array_t<std::uint8_t> m_depth;
    SDisplacementRange m_range;
    std::string m_side;
    SDepthMap m_made;
    std::optional<py::array_t<std::int16_t>> m_dx, m_dy;
    std::optional<py::dict> m_images;
};

// An int gives the horizontal limit; a pair (x, y) both.
void ParseParallax(py::handle value, S& settings)
{
    if (PyIndex_Check(value.ptr()) && !py::isinstance<py::bool_>(value)) {
        settings.m_nMaxParallaxX = WholeNumberArg(value, "max_parallax", 0, S::kMaxParallax);
        return;
    }
    if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) || py::len(value) != 2)
        throw py::type_error("max_parallax takes a whole number or a pair (x, y) of whole numbers from 0 to "
                             + std::to_string(S::kMaxParallax) + ", not " + TypeName(value));
    const auto pair = py::reinterpret_borrow<py::sequence>(value);
    settings.m_nMaxParallaxX = WholeNumberArg(pair[0], "max_parallax x", 0, S::kMaxParallax);
    settings.m_nMaxParallaxY = WholeNumberArg(pair[1], "max_parallax y", 0, S::kMaxParallax);
}

S ParseSettings(py::handle fragment, py::handle maxParallax, py::handle speed, py::handle gradient,
                py::handle reference)
{
    S settings;
    settings.m_nFragmentSize = WholeNumberArg(fragment, "fragment", S::kMinFragmentSize, S::kMaxFragmentSize);
    if (settings.m_nFragmentSize % 2 != 0)
        throw py::value_error("fragment takes an even number from " + std::to_string(S::kMinFragmentSize) + " to "
                              + std::to_string(S::kMaxFragmentSize) + ", not "
                              + std::to_string(settings.m_nFragmentSize));
    ParseParallax(maxParallax, settings);
    settings.m_nSpeedFactor = WholeNumberArg(speed, "speed", S::kMinSpeedFactor, S::kMaxSpeedFactor);
    settings.m_bAnalyzeSource = !FlagArg(gradient, "gradient");
    settings.m_bReferenceSearch = FlagArg(reference, "reference");
    return settings;
}

// None: TESSALY_THREADS, else the CPUs the process may use, as for tessaly-cli.
std::optional<int> ThreadsArg(py::handle threads)
{
    if (!threads.is_none())
        return WholeNumberArg(threads, "threads", 1, kMaxThreadBudget);
    if (const std::string problem = ApplyThreadsEnvironment(); !problem.empty())
        Warn(PyExc_RuntimeWarning, problem);
    return std::nullopt;
}

void WarnIfFlat(const S& settings)
{
    if (settings.m_nMaxParallaxX != 0 || settings.m_nMaxParallaxY != 0)
        return;
    Warn(PyExc_UserWarning,
         "Both parallax limits are 0, so only the displacement (0, 0) is tried and the depth map "
         "is flat: give max_parallax the largest parallax of the pair, in pixels.");
}

CPythonDepthMap DepthMapOfArrays(py::handle left, py::handle right, py::handle side, py::handle fragment,
                                 py::handle maxParallax, py::handle speed, py::handle gradient, py::handle reference,
                                 py::handle threads, py::handle progress)
{
    const std::string strSide = WordArg(side, "side", {"left", "right"});
    const S settings = ParseSettings(fragment, maxParallax, speed, gradient, reference);
    const std::optional<int> nThreads = ThreadsArg(threads);
    if (!progress.is_none() && !PyCallable_Check(progress.ptr()))
        throw py::type_error("progress takes a function progress(stage, done, total) or None, not "
                             + TypeName(progress));
    auto pLeft = ImageArg(left, "left");
    auto pRight = ImageArg(right, "right");
    WarnIfFlat(settings);
    CPythonHost host(py::reinterpret_borrow<py::object>(progress));
    std::optional<CThreadBudgetScope> budget;
    if (nThreads)
        budget.emplace(*nThreads);
    std::optional<SDepthMap> map = RunWithoutGil<py::value_error>(
        host, [&] { return MakeDepthMap(std::move(pLeft), std::move(pRight), strSide == "right", settings, host); });
    if (!map)
        throw std::runtime_error("the depth map was not made");
    return CPythonDepthMap(std::move(*map), strSide);
}

std::string RangeText(const SDisplacementRange& r)
{
    return "DisplacementRange(min_dx=" + std::to_string(r.nMinDx) + ", max_dx=" + std::to_string(r.nMaxDx)
        + ", min_dy=" + std::to_string(r.nMinDy) + ", max_dy=" + std::to_string(r.nMaxDy) + ")";
}

void BindRange(py::module_& module)
{
    py::class_<SDisplacementRange>(module, "DisplacementRange",
                                   "The displacements a depth map's levels are scaled from, in pixels at the\n"
                                   "working scale: level 0 and 255 lie at the corners (min_dx, min_dy) and\n"
                                   "(max_dx, max_dy). Unpacks as (min_dx, max_dx, min_dy, max_dy).")
        .def(py::init([](int nMinDx, int nMaxDx, int nMinDy, int nMaxDy) {
                 return SDisplacementRange{nMinDx, nMaxDx, nMinDy, nMaxDy};
             }),
             py::arg("min_dx"), py::arg("max_dx"), py::arg("min_dy"), py::arg("max_dy"))
        .def_readonly("min_dx", &SDisplacementRange::nMinDx)
        .def_readonly("max_dx", &SDisplacementRange::nMaxDx)
        .def_readonly("min_dy", &SDisplacementRange::nMinDy)
        .def_readonly("max_dy", &SDisplacementRange::nMaxDy)
        .def("__iter__",
             [](const SDisplacementRange& r) {
                 return py::iter(py::make_tuple(r.nMinDx, r.nMaxDx, r.nMinDy, r.nMaxDy));
             })
        .def("__eq__",
             [](const SDisplacementRange& a, const SDisplacementRange& b) {
                 return a.nMinDx == b.nMinDx && a.nMaxDx == b.nMaxDx && a.nMinDy == b.nMinDy && a.nMaxDy == b.nMaxDy;
             })
        .def("__repr__", &RangeText);
}

const char* const kDepthMapDoc = R"(depth_map(left, right, *, side="left", fragment=2, max_parallax=(0, 0), speed=1,
          gradient=False, reference=False, threads=None, progress=None) -> DepthMap

The depth map of one side of a stereo pair, made in memory: the same pixels as the files
tessaly-cli depth writes for the same pair and settings, and no file is touched.

left, right   the views: uint8 arrays of shape (H, W, 3), RGB, or (H, W), grey, in any
              strides (each is copied once). Views of different sizes are matched over their
              common area.
side          "left" or "right": whose map is made (the right map is made on the right view).
fragment      the fragment size, an even number from 2 to 128 (tessaly-cli --fragment).
max_parallax  the parallax limits in pixels, 0 to 128: a pair (x, y), or a number for x alone
              (--max-parallax-x, --max-parallax-y). Both 0 gives a flat map, with a warning.
speed         1 to 10: above 1 the search runs on views reduced by that factor and the map is
              enlarged back (--speed).
gradient      compare the views' gradient images instead of the views (--gradient).
reference     run the literal search: the same result, much slower (--reference).
threads       the threads the search may keep busy, 1 to 1024; None takes TESSALY_THREADS, else
              the CPUs this process may use (--threads). The result never depends on it.
progress      None, or progress(stage, done, total), called on the calling thread as each row
              is done: stage is the status text ("Gradient image creating", "Depth map
              creating"), done counts from 0 to total, and starts again with each stage. An
              exception it raises stops the job and is raised from depth_map.

The GIL is released while the map is made; Ctrl+C (KeyboardInterrupt) stops it within a row.
Raises TypeError or ValueError for an argument that is not what it takes, ValueError when a view
is too small for the speed factor, MemoryError when the images do not fit in memory.)";

} // namespace

void BindDepthMap(py::module_& module)
{
    BindRange(module);
    py::class_<CPythonDepthMap>(module, "DepthMap",
                                "A depth map and the images it was made through, as depth_map() returns it.")
        .def_property_readonly("depth", &CPythonDepthMap::Depth,
                               "The depth map's levels: a (H, W) uint8 array, 255 nearest. At a speed above 1 it is\n"
                               "one pixel smaller than the views for each step of the factor, as the map file is.")
        .def_property_readonly("dx", &CPythonDepthMap::Dx,
                               "Each pixel's horizontal displacement in pixels, signed: an (h, w) int16 array at the\n"
                               "working scale (the views' common area, reduced by the speed factor), as the \"xd\"\n"
                               "image encodes it (green minus blue). Made when first read, then kept.")
        .def_property_readonly("dy", &CPythonDepthMap::Dy,
                               "Each pixel's vertical displacement, as dx; the \"yd\" image.")
        .def_property_readonly("range", &CPythonDepthMap::Range, "The DisplacementRange the levels are scaled from.")
        .def_property_readonly("images", &CPythonDepthMap::Images,
                               "The images tessaly-cli depth writes, as (H, W, 3) uint8 RGB arrays: \"xd\" and \"yd\"\n"
                               "(the displacement images, at the working scale) and \"3dmap\" (the depth map). Made\n"
                               "when first read, then kept: the same dict each time.")
        .def_property_readonly("side", &CPythonDepthMap::Side, "\"left\" or \"right\": whose map it is.")
        .def("__repr__", [](const CPythonDepthMap& map) {
            return "<tessaly.DepthMap " + map.Side() + ", " + std::to_string(map.Depth().shape(1)) + " x "
                + std::to_string(map.Depth().shape(0)) + ", " + RangeText(map.Range()) + ">";
        });
    module.def("depth_map", &DepthMapOfArrays, kDepthMapDoc, py::arg("left"), py::arg("right"), py::kw_only(),
               py::arg("side") = "left", py::arg("fragment") = S::kMinFragmentSize,
               py::arg("max_parallax") = py::make_tuple(0, 0), py::arg("speed") = S::kMinSpeedFactor,
               py::arg("gradient") = false, py::arg("reference") = false, py::arg("threads") = py::none(),
               py::arg("progress") = py::none());
}
