// SPDX-License-Identifier: GPL-3.0-or-later
// Python exceptions raised from C++: each throws pybind11's error_already_set with the Python
// error set, so the call returns to Python with that exception.
#pragma once

#include <string>

#include "field_io/file_error.h"

namespace swirlon::python {

// The exception that fits the file error (FileNotFoundError, IsADirectoryError, OSError or
// ValueError), worded as swirlon-batch words it.
[[noreturn]] void raiseFileError(const FileError& error);

[[noreturn]] void raiseValueError(const std::string& message);
[[noreturn]] void raiseTypeError(const std::string& message);
[[noreturn]] void raiseRuntimeError(const std::string& message);
[[noreturn]] void raiseFloatingPointError(const std::string& message);

}  // namespace swirlon::python
