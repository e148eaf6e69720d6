// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batch_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "field_io/atomic_file.h"
#include "field_io/bmp_loader.h"
#include "field_io/diagnostics_csv.h"
#include "field_io/npy.h"
#include "field_io/png_writer.h"
#include "field_io/presets.h"
#include "solver/simulation.h"
#include "solver/spectra.h"
#include "tools/file_error_text.h"

namespace swirlon::batch {
namespace {

using Clock = std::chrono::steady_clock;

// Frame numbers get at least this many digits, so short runs still name files alike.
constexpr int MinFrameNumberWidth = 6;
constexpr int ProgressBarWidth = 30;
// The progress line is redrawn at most this often; redrawing every frame would cost more
// than the terminal can show.
constexpr auto ProgressInterval = std::chrono::milliseconds(100);
constexpr int SecondsPerMinute = 60;
constexpr int PercentScale = 100;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool hasNpyExtension(const std::string& path) { return lowerCase(std::filesystem::path(path).extension().string()) == ".npy"; }

std::string formatDuration(double seconds) {
    const long long whole = std::llround(seconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / SecondsPerMinute, whole % SecondsPerMinute);
    return buffer;
}

// The English message of a file error, if there is one.
std::optional<std::string> worded(const std::optional<FileError>& error) {
    return error ? std::optional(fileErrorText(*error)) : std::nullopt;
}

// Reads the initial field into scratch and sets the simulation from it, or returns the message
// of the load that failed (the simulation untouched then).
std::optional<std::string> loadInitialState(const BatchOptions& options, Simulation& simulation,
                                            PackedSpectrum& scratch) {
    std::optional<std::string> failure;
    switch (options.inputKind) {
    case InputKind::preset:
        if (!loadPreset(options.input, scratch, options.seed)) {
            failure = unknownPresetText(options.input);
        }
        break;
    case InputKind::state:
        failure = worded(readNpyField(options.input, scratch));
        break;
    case InputKind::file:
        failure = worded(hasNpyExtension(options.input) ? readNpyField(options.input, scratch)
                                                        : loadVorticityBmp(options.input, scratch));
        if (!failure) {
            simulation.setStateFromVorticity(scratch);
        }
        return failure;
    }
    if (!failure) {
        simulation.setState(scratch);
    }
    return failure;
}

class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled, long long total) : out_(out), enabled_(enabled), total_(total) {}

    void update(long long done, bool force = false) {
        const Clock::time_point now = Clock::now();
        if (!enabled_ || (!force && now - lastDrawn_ < ProgressInterval)) {
            return;
        }
        lastDrawn_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
        const double fraction = total_ > 0 ? static_cast<double>(done) / static_cast<double>(total_) : 1.0;
        const int filled = static_cast<int>(fraction * ProgressBarWidth);
        const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                                std::string(static_cast<std::size_t>(ProgressBarWidth - filled), ' ');
        char line[160];
        std::snprintf(line, sizeof line, "\r[%s] %3d%%  %lld/%lld frames  %.1f frames/s  %s left ", bar.c_str(),
                      static_cast<int>(fraction * PercentScale), done, total_, rate,
                      rate > 0.0 ? formatDuration(static_cast<double>(total_ - done) / rate).c_str() : "?");
        out_ << line << std::flush;
    }

    void finish(long long done) {
        if (enabled_) {
            update(done, true);
            out_ << '\n';
        }
    }

    double elapsedSeconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    std::ostream& out_;
    bool enabled_;
    long long total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDrawn_{};
};

class BatchRun {
public:
    BatchRun(const BatchOptions& options, std::ostream& errors)
        : options_(options),
          errors_(errors),
          simulation_(options.reynolds),
          scratch_(std::make_unique<PackedSpectrum>()),
          picture_(std::make_unique<PictureBuffer>()),
          stretched_(std::make_unique<StretchedPicture>()) {
        frameWidth_ = frameNumberWidth(options.steps);
        simulation_.setFrameSettings(options.frame);
    }

    int run(bool progressBar) {
        if (auto message = loadInitialState(options_, simulation_, *scratch_)) {
            return fail(*message);
        }
        if (auto message = openOutputs()) {
            return fail(*message);
        }
        if (auto message = record()) {
            return fail(*message);
        }

        ProgressBar progress(errors_, progressBar && !options_.quiet, options_.steps);
        for (long long frame = 1; frame <= options_.steps; ++frame) {
            if (!simulation_.advanceFrame().finite) {
                progress.finish(frame - 1);
                return fail("frame " + std::to_string(frame) +
                            " produced non-finite values; the run is abandoned and no state is saved");
            }
            if (frame % options_.every == 0) {
                if (auto message = record()) {
                    progress.finish(frame);
                    return fail(*message);
                }
            }
            progress.update(frame);
        }
        progress.finish(options_.steps);
        const double seconds = progress.elapsedSeconds();

        if (auto message = saveResults()) {
            return fail(*message);
        }
        if (!options_.quiet) {
            char line[160];
            std::snprintf(line, sizeof line, "%s: %lld frames in %.2f s (%.1f frames/s)\n", ProgramName, options_.steps,
                          seconds, seconds > 0.0 ? static_cast<double>(options_.steps) / seconds : 0.0);
            errors_ << line;
        }
        return ExitSuccess;
    }

private:
    int fail(const std::string& message) {
        diagnostics_.discard();
        spectra_.discard();
        state_.discard();
        vorticity_.discard();
        errors_ << ProgramName << ": " << message << '\n';
        return ExitFailure;
    }

    // Every output is opened before the first frame, so a path that cannot be written fails
    // the run at once instead of after it.
    std::optional<std::string> openOutputs() {
        if (!options_.diagnosticsPath.empty()) {
            if (auto message = worded(diagnostics_.open(options_.diagnosticsPath))) {
                return message;
            }
            if (auto message = worded(diagnostics_.write(std::string(DiagnosticsCsvHeader) + '\n'))) {
                return message;
            }
        }
        if (!options_.spectraPath.empty()) {
            if (auto message = worded(spectra_.open(options_.spectraPath))) {
                return message;
            }
            if (auto message = worded(spectra_.write(std::string(SpectraHeader) + '\n'))) {
                return message;
            }
        }
        if (!options_.saveStatePath.empty()) {
            if (auto message = worded(state_.open(options_.saveStatePath))) {
                return message;
            }
        }
        if (!options_.saveVorticityPath.empty()) {
            if (auto message = worded(vorticity_.open(options_.saveVorticityPath))) {
                return message;
            }
        }
        if (!options_.framesFolder.empty()) {
            std::error_code error;
            std::filesystem::create_directories(options_.framesFolder, error);
            if (error || !std::filesystem::is_directory(options_.framesFolder)) {
                return "cannot create the frames folder '" + options_.framesFolder + "'" +
                       (error ? ": " + error.message() : std::string());
            }
        }
        return std::nullopt;
    }

    // The diagnostics row and the picture of the state the simulation holds now.
    std::optional<std::string> record() {
        if (diagnostics_.isOpen()) {
            if (auto message = worded(diagnostics_.write(diagnosticsCsvRow(recordDiagnostics(simulation_))))) {
                return message;
            }
        }
        if (spectra_.isOpen()) {
            const ShellSpectra spectra = shellSpectra(simulation_.psi());
            const std::string stamp = std::to_string(simulation_.framesDone()) + ',' + exactNumber(simulation_.time());
            std::string rows;
            for (int shell = 1; shell <= LargestShell; ++shell) {
                const auto k = static_cast<std::size_t>(shell);
                rows += stamp + ',' + std::to_string(shell) + ',' + exactNumber(spectra.energy[k]) + ',' +
                        exactNumber(spectra.enstrophy[k]) + '\n';
            }
            if (auto message = worded(spectra_.write(rows))) {
                return message;
            }
        }
        if (!options_.framesFolder.empty()) {
            renderPicture(simulation_, options_.picture, *picture_);
            stretchPicture(*picture_, *stretched_);
            const std::string path = (std::filesystem::path(options_.framesFolder) /
                                      frameFileName(simulation_.framesDone(), frameWidth_))
                                         .string();
            if (auto message = worded(writePng(path, PictureSide, PictureSide, *stretched_))) {
                return message;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> saveResults() {
        if (state_.isOpen()) {
            if (auto message = worded(state_.write(encodeNpyField(simulation_.psi())))) {
                return message;
            }
        }
        if (vorticity_.isOpen()) {
            if (auto message = worded(vorticity_.write(encodeNpyField(simulation_.gridVorticity())))) {
                return message;
            }
        }
        for (AtomicFile* file : {&diagnostics_, &spectra_, &state_, &vorticity_}) {
            if (file->isOpen()) {
                if (auto message = worded(file->commit())) {
                    return message;
                }
            }
        }
        return std::nullopt;
    }

    const BatchOptions& options_;
    std::ostream& errors_;
    Simulation simulation_;
    // The initial field as read, before the simulation takes it.
    std::unique_ptr<PackedSpectrum> scratch_;
    std::unique_ptr<PictureBuffer> picture_;
    std::unique_ptr<StretchedPicture> stretched_;
    AtomicFile diagnostics_;
    AtomicFile spectra_;
    AtomicFile state_;
    AtomicFile vorticity_;
    int frameWidth_ = MinFrameNumberWidth;
};

}  // namespace

int frameNumberWidth(long long steps) {
    return std::max(MinFrameNumberWidth, static_cast<int>(std::to_string(steps).size()));
}

std::string frameFileName(long long frame, int width) {
    std::string digits = std::to_string(frame);
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return "frame-" + digits + ".png";
}

int runBatch(const BatchOptions& options, std::ostream& errors, bool progressBar) {
    BatchRun run(options, errors);
    return run.run(progressBar);
}

}  // namespace swirlon::batch
