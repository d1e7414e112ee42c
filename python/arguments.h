// The arguments of the module's functions: checked and converted, each error naming its argument.
#pragma once

#include "engine/base/image.h"
#include "engine/base/image_format.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

namespace py = pybind11;

// What a value is, for the end of a message: "an int", "a float".
std::string TypeName(py::handle value);
// A whole number (a Python int or anything with __index__, never a bool);
// TypeError when it is not one, ValueError in tessaly-cli's words when it
// is out of nMin..nMax.
int WholeNumberArg(py::handle value, const char* name, int nMin, int nMax);
// True or False (or a numpy bool); TypeError otherwise.
bool FlagArg(py::handle value, const char* name);
// One of the words, or ValueError naming them ("side takes left or right").
std::string WordArg(py::handle value, const char* name, std::initializer_list<const char*> words);
// A path as the file system takes it: str, bytes or os.PathLike.
std::string PathArg(py::handle value, const char* name);
// The output format of a file name's extension ("map.png"), or of `format` when it is given.
ESaveFormat SaveFormatArg(const std::string& path, py::handle format);

// The pixels of an image argument, copied once into the engine's layout:
// a uint8 array of shape (H, W, 3), RGB, or (H, W), grey, in any strides.
// TypeError for another type or dtype, ValueError for another shape, an
// empty image or one beyond the size limits of image files.
std::shared_ptr<const CImage> ImageArg(py::handle value, const char* name);
