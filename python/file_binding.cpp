// tessaly.imread, imwrite and split: image files read as tessaly-cli reads them, written by its safe save.
#include "engine/io/image_file.h"
#include "engine/job/stage_files.h"
#include "engine/job/stereo_split.h"
#include "python/arguments.h"
#include "python/array_image.h"
#include "python/bindings.h"
#include "python/python_host.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

EOrientation OrientationArg(py::handle keepOrientation)
{
    return FlagArg(keepOrientation, "keep_orientation") ? EOrientation::kStored : EOrientation::kUpright;
}

// FileNotFoundError, with its errno and file name, when nothing has the name.
void RaiseIfMissing(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) == 0 || errno != ENOENT)
        return;
    PyErr_SetObject(
        PyExc_FileNotFoundError,
        py::make_tuple(ENOENT, std::strerror(ENOENT), py::module_::import("os").attr("fsdecode")(py::bytes(path)))
            .ptr());
    throw py::error_already_set();
}

py::array_t<std::uint8_t> ReadImage(py::handle pathArg, py::handle keepOrientation)
{
    const std::string path = PathArg(pathArg, "path");
    const EOrientation orientation = OrientationArg(keepOrientation);
    RaiseIfMissing(path);
    SLoadResult loaded;
    {
        py::gil_scoped_release release;
        loaded = LoadImageFile(path, EImageCodec::kByName, -1, orientation);
    }
    if (loaded.status == ELoadStatus::kNoMemory)
        throw std::bad_alloc();
    if (loaded.status != ELoadStatus::kOk) {
        const std::string detail = DescribeLoadFailure(loaded, path);
        PyErr_SetString(PyExc_OSError, (detail.empty() ? DescribeUnreadable(loaded, path) : detail).c_str());
        throw py::error_already_set();
    }
    return RgbArray(loaded.image);
}

void WriteImage(py::handle pathArg, py::handle image, py::handle format)
{
    const std::string path = PathArg(pathArg, "path");
    const ESaveFormat saveFormat = SaveFormatArg(path, format);
    const std::shared_ptr<const CImage> pImage = ImageArg(image, "image");
    bool bSaved = false;
    {
        py::gil_scoped_release release;
        bSaved = SaveImageFile(*pImage, path, saveFormat);
    }
    if (!bSaved) {
        const int nError = errno;
        PyErr_SetObject(PyExc_OSError, py::make_tuple(nError, CreateFileMessage(path)).ptr());
        throw py::error_already_set();
    }
}

py::tuple SplitFile(py::handle pathArg, py::handle layout, py::handle keepOrientation)
{
    const std::string path = PathArg(pathArg, "path");
    EStereoLayout stereoLayout = StereoLayoutOf(path);
    if (!layout.is_none())
        stereoLayout = *ParseStereoLayout(WordArg(layout, "layout", {"mpo", "cross", "parallel"}));
    const EOrientation orientation = OrientationArg(keepOrientation);
    RaiseIfMissing(path);
    CPythonHost host;
    const auto views
        = RunWithoutGil<py::value_error>(host, [&] { return ReadStereoViews(path, stereoLayout, host, orientation); });
    return py::make_tuple(RgbArray((*views)[0]), RgbArray((*views)[1]));
}

const char* const kImreadDoc = R"(imread(path, *, keep_orientation=False) -> array

An image file as tessaly-cli reads it: an (H, W, 3) uint8 array, RGB, rows from the top.

BMP, PNG, TIFF and JPEG files of grey, palette, RGB or RGBA pixels with 8 or 16 bits a channel
are read; alpha is dropped, grey repeated into the three channels and 16-bit values rounded to
8 bits. A JPEG photo is turned upright as its EXIF orientation says, unless keep_orientation
is True (tessaly-cli --keep-orientation).

Raises FileNotFoundError when there is no such file, OSError with tessaly-cli's message when
the file cannot be read, MemoryError when its pixels do not fit in memory.)";

const char* const kImwriteDoc = R"(imwrite(path, image, *, format=None) -> None

Writes an image as tessaly-cli writes its results: BMP, PNG or TIFF, 24-bit colour, chosen by
the path's extension (.bmp, .png, .tif or .tiff) or by format ("bmp", "png", "tif").

image  a uint8 array of shape (H, W, 3), RGB, or (H, W), grey (written as 24-bit colour).

The file is written under a temporary name in the same folder and takes its name only when
complete, so a failed write leaves any earlier file of that name as it was. Raises OSError when
the file cannot be written.)";

const char* const kSplitDoc = R"(split(path, *, layout=None, keep_orientation=False) -> (left, right)

The two views of a stereo file, as tessaly-cli split makes them, read in memory: nothing is
written. Returns two (H, W, 3) uint8 RGB arrays, the left view first.

layout  "mpo" (a multi-picture JPEG file: its first two images, each turned upright by its EXIF
        orientation unless keep_orientation is True), "cross" (side by side, the right view in
        the left half) or "parallel" (the left view in the left half). None takes it from the
        name: .mpo files are MPO, .jps files cross-eyed, others parallel. The halves of a
        side-by-side image are its stored pixels; an odd width loses its last column, with a
        warning.

Raises FileNotFoundError when there is no such file, ValueError with tessaly-cli's message when
the file cannot be split.)";

} // namespace

void BindFiles(py::module_& module)
{
    module.def("imread", &ReadImage, kImreadDoc, py::arg("path"), py::kw_only(), py::arg("keep_orientation") = false);
    module.def("imwrite", &WriteImage, kImwriteDoc, py::arg("path"), py::arg("image"), py::kw_only(),
               py::arg("format") = py::none());
    module.def("split", &SplitFile, kSplitDoc, py::arg("path"), py::kw_only(), py::arg("layout") = py::none(),
               py::arg("keep_orientation") = false);
}
