// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/python_errors.h"

#include <pybind11/pybind11.h>

#include <filesystem>
#include <system_error>

#include "messages/file_error_text.h"

namespace swirlon::python {
namespace {

[[noreturn]] void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw pybind11::error_already_set();
}

// A file that could not be opened: missing, a folder, or refused for another reason.
PyObject* openFailureType(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return PyExc_FileNotFoundError;
    }
    if (std::filesystem::is_directory(path, error)) {
        return PyExc_IsADirectoryError;
    }
    return PyExc_OSError;
}

}  // namespace

void raiseFileError(const FileError& error) {
    const std::string message = english::fileErrorText(error);
    switch (error.kind) {
    case FileErrorKind::openFailed:
    case FileErrorKind::readFailed:
        raise(openFailureType(error.path), message);
    case FileErrorKind::writeFailed:
    case FileErrorKind::bmpOutOfMemory:
        raise(PyExc_OSError, message);
    default:
        // What is wrong is the file's content (or its name): a value the module cannot take.
        raise(PyExc_ValueError, message);
    }
}

void raiseValueError(const std::string& message) { raise(PyExc_ValueError, message); }

void raiseTypeError(const std::string& message) { raise(PyExc_TypeError, message); }

void raiseRuntimeError(const std::string& message) { raise(PyExc_RuntimeError, message); }

void raiseFloatingPointError(const std::string& message) { raise(PyExc_FloatingPointError, message); }

}  // namespace swirlon::python
