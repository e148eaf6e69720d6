// SPDX-License-Identifier: GPL-3.0-or-later
// The window's wording of file errors, as its message boxes show them.
#pragma once

#include <QString>

#include "field_io/file_error.h"

namespace swirlon {

QString fileErrorText(const FileError& error);

}  // namespace swirlon
