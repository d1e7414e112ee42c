// Argument checks in the words of tessaly-cli's usage errors, with the Python argument's name for the option's.
#include "python/arguments.h"

#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "python/array_image.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <climits>

namespace {

std::string ArrayKind(const py::array& array)
{
    std::string shape;
    for (py::ssize_t i = 0; i < array.ndim(); ++i)
        shape += (i == 0 ? "" : ", ") + std::to_string(array.shape(i));
    if (array.ndim() == 1)
        shape += ",";
    return std::string(py::str(array.dtype())) + " array of shape (" + shape + ")";
}

} // namespace

std::string TypeName(py::handle value)
{
    const std::string name = py::str(py::type::handle_of(value).attr("__name__"));
    return (name.find_first_of("aeiou") == 0 ? "an " : "a ") + name;
}

int WholeNumberArg(py::handle value, const char* name, int nMin, int nMax)
{
    const std::string range
        = std::string(name) + " takes a whole number from " + std::to_string(nMin) + " to " + std::to_string(nMax);
    if (py::isinstance<py::bool_>(value) || !PyIndex_Check(value.ptr()))
        throw py::type_error(range + ", not " + TypeName(value));
    const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    int nOverflow = 0;
    const long long nValue = PyLong_AsLongLongAndOverflow(number.ptr(), &nOverflow);
    if (nOverflow != 0 || nValue < nMin || nValue > nMax)
        throw py::value_error(range + ", not " + py::repr(number).cast<std::string>());
    return static_cast<int>(nValue);
}

bool FlagArg(py::handle value, const char* name)
{
    if (py::isinstance<py::bool_>(value) || py::isinstance(value, py::module_::import("numpy").attr("bool_")))
        return value.cast<bool>();
    throw py::type_error(std::string(name) + " takes True or False, not " + TypeName(value));
}

std::string WordArg(py::handle value, const char* name, std::initializer_list<const char*> words)
{
    std::string list;
    for (const char* word : words)
        list += (list.empty() ? "" : word == *std::rbegin(words) ? " or " : ", ") + std::string(word);
    const std::string takes = std::string(name) + " takes " + list;
    if (!py::isinstance<py::str>(value))
        throw py::type_error(takes + ", not " + TypeName(value));
    const std::string text = value.cast<std::string>();
    for (const char* word : words)
        if (text == word)
            return text;
    throw py::value_error(takes + ", not \"" + text + "\"");
}

std::string PathArg(py::handle value, const char* name)
{
    if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value) && !py::hasattr(value, "__fspath__"))
        throw py::type_error(std::string(name) + " takes a path (str, bytes or os.PathLike), not " + TypeName(value));
    // File names are bytes on Linux: a str is encoded as the file system encodes it.
    const py::bytes bytes = py::module_::import("os").attr("fsencode")(value);
    std::string path = bytes;
    if (path.empty() || path.find('\0') != std::string::npos)
        throw py::value_error(std::string(name) + " takes a path, not \"" + path + "\"");
    return path;
}

ESaveFormat SaveFormatArg(const std::string& path, py::handle format)
{
    if (!format.is_none())
        return *ParseSaveFormat(WordArg(format, "format", {"bmp", "png", "tif", "tiff"}));
    if (const std::optional<ESaveFormat> parsed = ParseSaveFormat(GetLowerExtension(path)))
        return *parsed;
    throw py::value_error("path must end in .bmp, .png, .tif or .tiff (or give format=), not \"" + path + "\"");
}

std::shared_ptr<const CImage> ImageArg(py::handle value, const char* name)
{
    const std::string what = std::string(name) + " takes a uint8 array of shape (H, W, 3), RGB, or (H, W), grey";
    if (!py::isinstance<py::array>(value))
        throw py::type_error(what + ", not " + TypeName(value));
    const auto array = py::reinterpret_borrow<py::array>(value);
    if (!py::isinstance<py::array_t<std::uint8_t>>(array))
        throw py::type_error(what + ", not a " + ArrayKind(array));
    if (array.ndim() != 2 && !(array.ndim() == 3 && array.shape(2) == 3))
        throw py::value_error(what + ", not a " + ArrayKind(array));
    if (array.shape(0) == 0 || array.shape(1) == 0)
        throw py::value_error(what + ", not an empty " + ArrayKind(array));
    if (!IsWithinImageLimits(array.shape(1), array.shape(0))) { // refused in the loader's words
        SLoadResult tooLarge;
        tooLarge.status = ELoadStatus::kTooLarge;
        tooLarge.nWidth = static_cast<int>(std::min<py::ssize_t>(array.shape(1), INT_MAX));
        tooLarge.nHeight = static_cast<int>(std::min<py::ssize_t>(array.shape(0), INT_MAX));
        throw py::value_error(DescribeLoadFailure(tooLarge, name));
    }
    return std::make_shared<const CImage>(ImageFromArray(array));
}
