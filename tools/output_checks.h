// SPDX-License-Identifier: GPL-3.0-or-later
// The checks swirlon-batch makes on its output targets before it computes anything: every
// target must be writable, and no two outputs may land on one file.
#pragma once

#include <optional>
#include <string>

#include "tools/batch_options.h"

namespace swirlon::batch {

// The path that means standard output where an output file is asked for.
inline constexpr std::string_view StandardOutputPath = "-";

struct Refusal {
    int exitCode;
    std::string message;
};

// ExitFailure naming a target that cannot be written, or ExitBadArguments naming two options
// whose targets are one file; nothing when every output can go where it is asked to.
std::optional<Refusal> checkOutputTargets(const BatchOptions& options);

}  // namespace swirlon::batch
