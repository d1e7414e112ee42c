// tessaly._core: the engine on numpy arrays; the package tessaly re-exports it.
#include "python/bindings.h"

PYBIND11_MODULE(_core, module)
{
    // Each docstring starts with the function's signature in Python's words.
    py::options options;
    options.disable_function_signatures();
    module.doc() = "The engine of Tessaly on numpy arrays; import it as the package tessaly.";
    module.attr("__version__") = TESSALY_VERSION;
    BindFiles(module);
    BindDepthMap(module);
    BindSmoothing(module);
}
