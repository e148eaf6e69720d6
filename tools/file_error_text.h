// SPDX-License-Identifier: GPL-3.0-or-later
// The English wording of file errors, as swirlon-batch prints them.
#pragma once

#include <string>

#include "field_io/file_error.h"

namespace swirlon::batch {

// The grid sizes a run accepts, as a list: "64, 128, 256, 512".
std::string gridSizesText();

// One line naming the path and what is wrong with it.
std::string fileErrorText(const FileError& error);

}  // namespace swirlon::batch
