// SPDX-License-Identifier: GPL-3.0-or-later
// The run a window works on, without any widget: the simulation, the field a reset returns to,
// and the operations that replace or save the state. Each is a plain call whose failure comes
// back as a file error for the front end to word.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "field_io/bmp_loader.h"
#include "field_io/file_error.h"
#include "field_io/image_loader.h"
#include "session/saved_run.h"
#include "solver/grid.h"
#include "solver/simulation.h"
#include "solver/stroke.h"

namespace swirlon {

// The fastest a stroke may leave the flow, as the stability number of one step of TimeStep:
// 32 sub-steps at the safe limit, so a frame stays stable and affordable however hard the hand
// stirs. A stroke that would go beyond is left out.
inline constexpr double MaxStrokedStabilityNumber = 32.0 * SafeStabilityNumber;

class Session {
  public:
    // Whether a front end can run at a Reynolds number a saved run brings.
    using ReynoldsAccepted = std::function<bool(int reynolds)>;

    // The built-in start field at the given Reynolds number, clock at zero.
    explicit Session(int reynolds);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Simulation& simulation() { return flow_; }
    const Simulation& simulation() const { return flow_; }

    // A picture's colours become the vorticity, at the safe stability limit, and the start a
    // reset returns to. On failure nothing changes.
    std::optional<FileError> loadPicture(const std::string& path, const PictureDecoder& decode,
                                         BmpInfoHeaderBytes* infoHeader = nullptr);

    struct StateLoad {
        std::optional<FileError> error;
        // The Reynolds number the file ran at when it was not accepted (the session's stays).
        std::optional<int> reynoldsRefused;
    };
    // Continues a saved run by the saved-run rule (session/saved_run.h), the session's own
    // Reynolds number standing as the explicit choice when accepted refuses the file's; it
    // becomes the start a reset returns to, clock included. On failure nothing changes.
    StateLoad loadState(const std::string& path, const ReynoldsAccepted& accepted);

    // Writes the run atomically, in the format the name asks for; a file already at path stays
    // as it was on failure.
    std::optional<FileError> saveState(const std::string& path) const;

    // The built-in field of that preset name becomes the state and the start, at the safe
    // stability limit. False for a name that is no preset.
    bool choosePreset(std::string_view name);

    // Back to the start field and its clock.
    void reset();

    // The run moves to another grid: the flow (by its Fourier band, solver/regrid.h), its clock
    // and settings kept; the start a reset returns to moves with it. The step's threads become
    // those that run best on the new grid.
    void changeGrid(const Grid& grid);

    // Strokes of the hand on the current state, between points in cells of the run's grid
    // (solver/stroke.h): a push along the move, or a painted line of positive or negative
    // vorticity. The clock and the start a reset returns to stay. False when the stroke was
    // left out: one that adds nothing, or one after which the flow would be faster than
    // MaxStrokedStabilityNumber allows.
    bool stir(CellPoint from, CellPoint to, double radius);
    enum class PaintSign { positive, negative };
    bool paint(CellPoint from, CellPoint to, double radius, PaintSign sign);

    // The dye the flow carries (solver/dye.h). Switched on, it starts as the colours of the
    // picture the start was loaded from (or the dye a saved run brought), else as the vorticity
    // picture of the state at that moment; loads, built-in fields and resets start it afresh by
    // the same rule while it is on. Off removes it.
    void setDyeOn(bool on);
    bool dyeOn() const { return flow_.hasDye(); }

    // One frame; false when it diverged (the state is then put back as it was).
    bool advanceFrame() { return flow_.advanceFrame().finite; }

  private:
    void adoptAsStart();
    // The dye the start brings, or the vorticity picture of the state.
    void startDye();
    template <typename Edit>
    bool applyStroke(Edit&& edit);
    void setStabilityLimit(double limit);

    Simulation flow_;
    std::unique_ptr<PackedSpectrum> startField_;
    // The clock a reset returns to: a saved state's frame, else zero.
    std::int64_t startFrames_ = 0;
    // The colours of the picture the start was loaded from, or the dye of the saved run it
    // came from; null for the others, whose dye is their vorticity picture.
    std::unique_ptr<DyeField> startDye_;
};

}  // namespace swirlon
