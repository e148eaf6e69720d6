// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batch_run.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "field_io/atomic_file.h"
#include "field_io/colour_scale.h"
#include "field_io/diagnostics_csv.h"
#include "field_io/frame_files.h"
#include "field_io/frame_overlay.h"
#include "field_io/image_loader.h"
#include "field_io/movie_writer.h"
#include "field_io/npy.h"
#include "field_io/picture.h"
#include "field_io/png_writer.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "messages/file_error_text.h"
#include "qt_io/picture_decoder.h"
#include "session/run_start.h"
#include "session/saved_run.h"
#include "solver/simulation.h"
#include "solver/spectra.h"
#include "tools/output_checks.h"

namespace swirlon::batch {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int ProgressBarWidth = 30;
// The progress line is redrawn at most this often; redrawing every frame would cost more
// than the terminal can show.
constexpr auto ProgressInterval = std::chrono::milliseconds(100);
constexpr int SecondsPerMinute = 60;
constexpr int PercentScale = 100;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool hasNpyExtension(const std::string& path) {
    return lowerCase(std::filesystem::path(path).extension().string()) == ".npy";
}

std::string formatDuration(double seconds) {
    const long long whole = std::llround(seconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / SecondsPerMinute, whole % SecondsPerMinute);
    return buffer;
}

// The English message of a file error, if there is one.
std::optional<std::string> worded(const std::optional<FileError>& error) {
    return error ? std::optional(english::fileErrorText(*error)) : std::nullopt;
}

// The choices of the command line, as the shared start of a run takes them.
RunChoices runChoicesOf(const BatchOptions& options) {
    return RunChoices{.reynolds = options.reynolds,
                      .grid = options.grid,
                      // Given, the filter holds for a continued state too; not given, the state's stays.
                      .filter = options.filter ? std::optional(true) : std::nullopt,
                      .stabilityLimit = options.stabilityLimit,
                      .seed = options.seed,
                      .threads = options.threads,
                      .terms = options.terms};
}

// With --picture dye, the run starts carrying the colours of the picture it was loaded from, or
// else the vorticity picture of its start (as the window's dye starts).
void startDye(const BatchOptions& options, Simulation& simulation, const PictureBuffer* colours) {
    if (options.picture != DisplayMode::dye) {
        return;
    }
    const DyeField dye = colours != nullptr ? dyeOfPicture(*colours, simulation.grid()) : vorticityDye(simulation);
    simulation.setDye(&dye);
}

// Reads the initial field into scratch and starts the simulation from it (session/run_start.h),
// or returns the message of the load that failed (the simulation untouched then).
std::optional<std::string> loadInitialState(const BatchOptions& options, Simulation& simulation,
                                            PackedSpectrum& scratch) {
    const RunChoices choices = runChoicesOf(options);
    // Pictures are made on the run's grid; files of arrays bring their own.
    scratch = PackedSpectrum(simulation.grid());
    switch (options.inputKind) {
    case InputKind::preset: {
        const Preset* preset = findPreset(options.input);
        if (preset == nullptr) {
            return english::unknownPresetText(options.input);
        }
        startFromPreset(simulation, *preset, choices);
        startDye(options, simulation, nullptr);
        return std::nullopt;
    }
    case InputKind::state: {
        RunClock clock;
        if (auto message = worded(readStateFile(options.input, scratch, clock))) {
            return message;
        }
        continueFromState(simulation, scratch, clock, choices);
        if (!simulation.hasDye()) {
            startDye(options, simulation, nullptr);
        }
        return std::nullopt;
    }
    case InputKind::file: {
        PictureBuffer colours;
        const bool npy = hasNpyExtension(options.input);
        if (auto message =
                worded(npy ? readNpyField(options.input, scratch)
                           : loadVorticityPicture(options.input, scratch, decodePictureWithQt, nullptr, &colours))) {
            return message;
        }
        startFromVorticity(simulation, scratch, choices);
        startDye(options, simulation, npy ? nullptr : &colours);
        return std::nullopt;
    }
    }
    return std::string("no initial field");
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
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
    BatchRun(const BatchOptions& options, std::ostream& errors, const volatile std::sig_atomic_t* stopSignal)
        : options_(options),
          errors_(errors),
          stopSignal_(stopSignal),
          simulation_(DefaultReynolds, chosenGrid(runChoicesOf(options))),
          scratch_(std::make_unique<PackedSpectrum>(simulation_.grid())),
          picture_(std::make_unique<PictureBuffer>()),
          stretched_(std::make_unique<StretchedPicture>()),
          overlaid_(std::make_unique<StretchedPicture>()) {
        simulation_.setFrameSettings(chosenFrameSettings(runChoicesOf(options)));
    }

    int run(bool progressBar) {
        if (const auto refusal = checkOutputTargets(options_)) {
            errors_ << ProgramName << ": " << refusal->message << '\n';
            return refusal->exitCode;
        }
        if (auto message = loadInitialState(options_, simulation_, *scratch_)) {
            return fail(*message);
        }
        const long long first = simulation_.framesDone();
        if (options_.steps > LLONG_MAX - first) {
            errors_ << ProgramName << ": --steps " << options_.steps << " would run past the last frame number "
                    << LLONG_MAX << " from frame " << first << '\n';
            return ExitBadArguments;
        }
        frameWidth_ = frameNumberWidth(first + options_.steps);
        if (auto message = openOutputs()) {
            return fail(*message);
        }
        // The state a continued run starts from was recorded, if at all, by the run that saved it.
        if (first == 0) {
            if (auto message = record()) {
                return fail(*message);
            }
        }

        ProgressBar progress(errors_, progressBar && !options_.quiet, options_.steps);
        for (long long done = 0; done < options_.steps; ++done) {
            if (stopRequested()) {
                progress.finish(done);
                return stopped();
            }
            if (!simulation_.advanceFrame().finite) {
                progress.finish(done);
                return fail("frame " + std::to_string(first + done + 1) +
                            " produced non-finite values; the run is abandoned and no state is saved");
            }
            // Frames are counted from the start of the flow, so a continued run keeps the rhythm.
            if (simulation_.framesDone() % options_.every == 0) {
                if (auto message = record()) {
                    progress.finish(done + 1);
                    return fail(*message);
                }
            }
            progress.update(done + 1);
        }
        progress.finish(options_.steps);
        if (stopRequested()) {
            return stopped();
        }
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
    bool stopRequested() const { return stopSignal_ != nullptr && *stopSignal_ != 0; }

    void discardFiles() {
        for (AtomicFile* file : finalFiles()) {
            file->discard();
        }
        movie_.discard();
    }

    std::array<AtomicFile*, 4> finalFiles() { return {&diagnostics_, &spectra_, &state_, &vorticity_}; }

    // What became of the pictures, for a run that ends early; nothing to say of none unless asked.
    std::string framesNote(bool evenNone = false) const {
        if (options_.framesFolder.empty() || (framesWritten_ == 0 && !evenNone)) {
            return {};
        }
        return "; " + std::to_string(framesWritten_) + (framesWritten_ == 1 ? " frame" : " frames") + " written to '" +
               options_.framesFolder + "'";
    }

    int fail(const std::string& message) {
        discardFiles();
        errors_ << ProgramName << ": " << message << framesNote() << '\n';
        return ExitFailure;
    }

    int stopped() {
        // The movie so far is finished and kept: it plays, and says how far the run came.
        const std::string movieNote = keepMovie();
        discardFiles();
        const int signal = *stopSignal_;
        errors_ << ProgramName << ": stopped by " << signalName(signal) << " after frame " << simulation_.framesDone()
                << framesNote(true) << movieNote << "; no other output written\n";
        return ExitSignalBase + signal;
    }

    // What became of the movie of a run stopped early.
    std::string keepMovie() {
        if (!movie_.isOpen()) {
            return {};
        }
        const long long frames = movie_.framesWritten();
        if (frames == 0) {
            return "; no movie frame was made";
        }
        if (auto error = movie_.finish()) {
            return "; the movie could not be kept: " + english::fileErrorText(*error);
        }
        return "; the movie '" + options_.moviePath + "' holds " + std::to_string(frames) +
               (frames == 1 ? " frame" : " frames");
    }

    // Screen pixels a side of the pictures: the grid's points times the zoom.
    int pictureSide() const {
        return simulation_.grid().size() * options_.zoom.value_or(defaultPictureScale(simulation_.grid()));
    }

    // Every final file is opened before the first frame, so a path that cannot be written fails
    // the run at once instead of after it. Only the frames folder is made now.
    std::optional<std::string> openOutputs() {
        if (!options_.diagnosticsPath.empty()) {
            const auto opened = options_.diagnosticsPath == StandardOutputPath
                                    ? diagnostics_.openStandardOutput(options_.diagnosticsPath)
                                    : diagnostics_.open(options_.diagnosticsPath);
            if (auto message = worded(opened)) {
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
        if (!options_.moviePath.empty()) {
            const MovieShape shape{pictureSide(), pictureSide(), options_.fps.value_or(DefaultMovieFps)};
            if (auto message = worded(movie_.open(options_.moviePath, shape))) {
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

    // The diagnostics row and the picture of the state the simulation holds now. The picture
    // goes to its folder at once, so a long movie can be watched while it is made.
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
            for (int shell = 1; shell <= largestShell(simulation_.grid()); ++shell) {
                const auto k = static_cast<std::size_t>(shell);
                rows += stamp + ',' + std::to_string(shell) + ',' + exactNumber(spectra.energy[k]) + ',' +
                        exactNumber(spectra.enstrophy[k]) + '\n';
            }
            if (auto message = worded(spectra_.write(rows))) {
                return message;
            }
        }
        if (options_.framesFolder.empty() && !movie_.isOpen()) {
            return std::nullopt;
        }
        const ColourScale scale = fixedScale(options_.picture, options_.colours);
        renderPicture(simulation_, scale, *picture_);
        const int gridSize = simulation_.grid().size();
        const int side = pictureSide();
        stretchPicture(*picture_, gridSize, side / gridSize, *stretched_);
        if (!options_.framesFolder.empty()) {
            const std::string path =
                (std::filesystem::path(options_.framesFolder) / frameFileName(simulation_.framesDone(), frameWidth_))
                    .string();
            if (auto message = worded(writePng(path, side, side, *stretched_, Durability::flushFolderLater))) {
                return message;
            }
            ++framesWritten_;
        }
        if (movie_.isOpen() && options_.overlay) {
            // The pictures keep the flow alone; the movie's copy carries the time and the bar.
            *overlaid_ = *stretched_;
            drawFrameOverlay(*overlaid_, side, simulation_.time(), scale);
            return worded(movie_.addFrame(*overlaid_));
        }
        if (movie_.isOpen()) {
            return worded(movie_.addFrame(*stretched_));
        }
        return std::nullopt;
    }

    // All final files are written in full before any of them replaces its target.
    std::optional<std::string> saveResults() {
        if (framesWritten_ > 0) {
            if (auto message = worded(flushFolderToDisk(options_.framesFolder))) {
                return message;
            }
        }
        if (state_.isOpen()) {
            const std::vector<std::uint8_t> bytes = encodeSavedRun(options_.saveStatePath, simulation_);
            if (bytes.empty()) {
                return "cannot write '" + options_.saveStatePath + "': the state file could not be made";
            }
            if (auto message = worded(state_.write(bytes))) {
                return message;
            }
        }
        if (vorticity_.isOpen()) {
            if (auto message = worded(vorticity_.write(encodeNpyField(simulation_.gridVorticity())))) {
                return message;
            }
        }
        const auto fixed = finalFiles();
        std::vector<AtomicFile*> files(fixed.begin(), fixed.end());
        if (movie_.isOpen()) {
            if (auto message = worded(movie_.complete())) {
                return message;
            }
            files.push_back(movie_.completedFile());
        }
        return worded(commitTogether(files));
    }

    const BatchOptions& options_;
    std::ostream& errors_;
    const volatile std::sig_atomic_t* stopSignal_;
    Simulation simulation_;
    // The initial field as read, before the simulation takes it.
    std::unique_ptr<PackedSpectrum> scratch_;
    std::unique_ptr<PictureBuffer> picture_;
    std::unique_ptr<StretchedPicture> stretched_;
    std::unique_ptr<StretchedPicture> overlaid_;
    AtomicFile diagnostics_;
    AtomicFile spectra_;
    AtomicFile state_;
    AtomicFile vorticity_;
    MovieWriter movie_;
    int frameWidth_ = MinFrameNumberWidth;
    long long framesWritten_ = 0;
};

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& errors, bool progressBar,
             const volatile std::sig_atomic_t* stopSignal) {
    BatchRun run(options, errors, stopSignal);
    return run.run(progressBar);
}

}  // namespace swirlon::batch
