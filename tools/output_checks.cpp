// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/output_checks.h"

#include <array>
#include <vector>

#include "field_io/movie_writer.h"
#include "field_io/output_target.h"
#include "messages/file_error_text.h"

namespace swirlon::batch {
namespace {

struct OutputOption {
    std::string_view name;
    std::string BatchOptions::*path;
    bool folder = false;
    // Whether "-" stands for standard output.
    bool streams = false;
    // A movie: its name must ask for a format this build writes, and it cannot go to a pipe.
    bool movie = false;
};

const std::array Outputs{
    OutputOption{"--frames", &BatchOptions::framesFolder, true},
    OutputOption{"--movie", &BatchOptions::moviePath, false, false, true},
    OutputOption{"--diagnostics", &BatchOptions::diagnosticsPath, false, true},
    OutputOption{"--spectra", &BatchOptions::spectraPath},
    OutputOption{"--save-state", &BatchOptions::saveStatePath},
    OutputOption{"--save-vorticity", &BatchOptions::saveVorticityPath},
};

struct CheckedOutput {
    const OutputOption* option;
    OutputTarget target;
};

}  // namespace

std::optional<Refusal> checkOutputTargets(const BatchOptions& options) {
    std::vector<CheckedOutput> checked;
    for (const OutputOption& output : Outputs) {
        const std::string& path = options.*output.path;
        if (path.empty() || (output.streams && path == StandardOutputPath)) {
            continue;
        }
        if (output.movie) {
            if (const auto error = MovieWriter::check(path)) {
                // A name no movie can have is a bad argument; a place that cannot be written, a file's.
                const bool badName = error->kind == FileErrorKind::movieUnknownFormat;
                return Refusal{badName ? ExitBadArguments : ExitFailure, english::fileErrorText(*error)};
            }
        }
        OutputTarget target;
        const auto error = output.folder ? inspectOutputFolder(path, target) : inspectOutputFile(path, target);
        if (error) {
            return Refusal{ExitFailure, english::fileErrorText(*error)};
        }
        // Devices and pipes are written in place, so two outputs there only follow each other.
        for (const CheckedOutput& earlier : checked) {
            if (!target.direct && clash(earlier.target, target)) {
                return Refusal{ExitBadArguments,
                               std::string(earlier.option->name) + " '" + options.*earlier.option->path + "' and " +
                                   std::string(output.name) + " '" + path + "' would overwrite each other"};
            }
        }
        checked.push_back({&output, std::move(target)});
    }
    return std::nullopt;
}

}  // namespace swirlon::batch
