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
#include "field_io/npy.h"
#include "field_io/png_writer.h"
#include "field_io/presets.h"
#include "solver/diagnostics.h"
#include "solver/fft.h"
#include "solver/operators.h"
#include "solver/stable_frame.h"
#include "solver/time_step.h"

namespace swirlon::batch {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* ProgramName = "swirlon-batch";
// Frame numbers get at least this many digits, so short runs still name files alike.
constexpr int MinFrameNumberWidth = 6;
constexpr int ProgressBarWidth = 30;
// The progress line is redrawn at most this often; redrawing every frame would cost more
// than the terminal can show.
constexpr auto ProgressInterval = std::chrono::milliseconds(100);
constexpr int SecondsPerMinute = 60;
constexpr int PercentScale = 100;
// Enough digits that a value read back from the diagnostics file is the same double.
constexpr const char* ExactNumber = "%.17g";

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool hasNpyExtension(const std::string& path) { return lowerCase(std::filesystem::path(path).extension().string()) == ".npy"; }

std::string formatNumber(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, ExactNumber, value);
    return buffer;
}

std::string formatDuration(double seconds) {
    const long long whole = std::llround(seconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / SecondsPerMinute, whole % SecondsPerMinute);
    return buffer;
}

// The initial state into psi, or the message of the load that failed (bank untouched then).
std::optional<std::string> loadInitialState(const BatchOptions& options, FieldBank& bank, PackedSpectrum& scratch) {
    switch (options.inputKind) {
    case InputKind::preset:
        return loadPreset(options.input, bank, options.seed);
    case InputKind::state:
        return readNpyField(options.input, bank[Slot::psi]);
    case InputKind::file:
        if (!hasNpyExtension(options.input)) {
            return loadVorticityBmp(options.input, bank);
        }
        if (auto message = readNpyField(options.input, scratch)) {
            return message;
        }
        bank[Slot::psi] = scratch;
        streamFunctionFromVorticity(bank[Slot::psi]);
        return std::nullopt;
    }
    return std::string("no initial field");
}

// Grid vorticity of psi the way the vorticity picture computes it.
void gridVorticity(const PackedSpectrum& psi, PackedSpectrum& vorticity) {
    copyBand(vorticity, psi);
    multiplyByMinusK2(vorticity);
    inverseRealFft2d(GridSize, vorticity.data());
}

double largestMagnitude(const PackedSpectrum& field) {
    double largest = 0.0;
    for (const double value : field) {
        largest = std::max(largest, std::fabs(value));
    }
    return largest;
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
          bank_(std::make_unique<FieldBank>()),
          rollback_(std::make_unique<PackedSpectrum>()),
          scratch_(std::make_unique<PackedSpectrum>()),
          picture_(std::make_unique<PictureBuffer>()),
          stretched_(std::make_unique<StretchedPicture>()) {
        for (PackedSpectrum& slot : bank_->slots) {
            slot.fill(0.0);
        }
        frameWidth_ = frameNumberWidth(options.steps);
    }

    int run(bool progressBar) {
        if (auto message = loadInitialState(options_, *bank_, *scratch_)) {
            return fail(*message);
        }
        if (auto message = openOutputs()) {
            return fail(*message);
        }

        // Velocities of the initial state, for its stability number and its speed picture.
        beginStep(*bank_);
        FrameOutcome initial;
        initial.subSteps = 0;
        initial.stabilityNumber = advectiveStabilityNumber((*bank_)[Slot::velX], (*bank_)[Slot::velY]) +
                                  viscousStabilityNumber(options_.reynolds);
        if (auto message = record(0, initial)) {
            return fail(*message);
        }

        ProgressBar progress(errors_, progressBar && !options_.quiet, options_.steps);
        for (long long frame = 1; frame <= options_.steps; ++frame) {
            const FrameOutcome outcome = advanceFrame(*bank_, options_.reynolds, *rollback_);
            if (!outcome.finite) {
                progress.finish(frame - 1);
                return fail("frame " + std::to_string(frame) +
                            " produced non-finite values; the run is abandoned and no state is saved");
            }
            if (frame % options_.every == 0) {
                if (auto message = record(frame, outcome)) {
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
        state_.discard();
        vorticity_.discard();
        errors_ << ProgramName << ": " << message << '\n';
        return ExitFailure;
    }

    // Every output is opened before the first frame, so a path that cannot be written fails
    // the run at once instead of after it.
    std::optional<std::string> openOutputs() {
        if (!options_.diagnosticsPath.empty()) {
            if (auto message = diagnostics_.open(options_.diagnosticsPath)) {
                return message;
            }
            if (auto message = diagnostics_.write(std::string(DiagnosticsHeader) + '\n')) {
                return message;
            }
        }
        if (!options_.saveStatePath.empty()) {
            if (auto message = state_.open(options_.saveStatePath)) {
                return message;
            }
        }
        if (!options_.saveVorticityPath.empty()) {
            if (auto message = vorticity_.open(options_.saveVorticityPath)) {
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

    std::optional<std::string> record(long long frame, const FrameOutcome& outcome) {
        if (diagnostics_.isOpen()) {
            const PackedSpectrum& psi = (*bank_)[Slot::psi];
            gridVorticity(psi, *scratch_);
            const std::string row = std::to_string(frame) + ',' + formatNumber(static_cast<double>(frame) * TimeStep) +
                                    ',' + formatNumber(energy(psi)) + ',' + formatNumber(enstrophy(psi)) + ',' +
                                    formatNumber(palinstrophy(psi)) + ',' + formatNumber(largestMagnitude(*scratch_)) +
                                    ',' + formatNumber(outcome.stabilityNumber) + ',' +
                                    std::to_string(outcome.subSteps) + '\n';
            if (auto message = diagnostics_.write(row)) {
                return message;
            }
        }
        if (!options_.framesFolder.empty()) {
            renderPicture(*bank_, options_.picture, *picture_);
            stretchPicture(*picture_, *stretched_);
            const std::string path =
                (std::filesystem::path(options_.framesFolder) / frameFileName(frame, frameWidth_)).string();
            if (auto message = writePng(path, PictureSide, PictureSide, *stretched_)) {
                return message;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> saveResults() {
        if (state_.isOpen()) {
            if (auto message = state_.write(encodeNpyField((*bank_)[Slot::psi]))) {
                return message;
            }
        }
        if (vorticity_.isOpen()) {
            gridVorticity((*bank_)[Slot::psi], *scratch_);
            if (auto message = vorticity_.write(encodeNpyField(*scratch_))) {
                return message;
            }
        }
        for (AtomicFile* file : {&diagnostics_, &state_, &vorticity_}) {
            if (file->isOpen()) {
                if (auto message = file->commit()) {
                    return message;
                }
            }
        }
        return std::nullopt;
    }

    const BatchOptions& options_;
    std::ostream& errors_;
    std::unique_ptr<FieldBank> bank_;
    std::unique_ptr<PackedSpectrum> rollback_;
    std::unique_ptr<PackedSpectrum> scratch_;
    std::unique_ptr<PictureBuffer> picture_;
    std::unique_ptr<StretchedPicture> stretched_;
    AtomicFile diagnostics_;
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
