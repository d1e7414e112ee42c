// The parts of the module tessaly._core, each adding its functions and classes.
#pragma once

#include <pybind11/pybind11.h>

namespace py = pybind11;

void BindDepthMap(py::module_& module);
void BindSmoothing(py::module_& module);
void BindFiles(py::module_& module);
