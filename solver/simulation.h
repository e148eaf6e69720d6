// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the flow: its state (the stream function and the clock), the stepper's scratch,
// the stream function a failed frame falls back on, the Reynolds number and the outcome of the
// last frame. The window and the batch tool each hold one and advance it alike, so their results
// agree bit for bit.
#pragma once

#include <cstdint>
#include <memory>

#include "solver/budget.h"
#include "solver/carried_dye.h"
#include "solver/dye.h"
#include "solver/extra_terms.h"
#include "solver/flow_state.h"
#include "solver/grid.h"
#include "solver/physics_params.h"
#include "solver/stable_frame.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"

namespace swirlon {

class Simulation {
  public:
    // A state at rest (psi zero) on the grid at the given Reynolds number (> 0), clock at zero.
    explicit Simulation(int reynolds, Grid grid = Grid{});
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    const Grid& grid() const { return state_.psi.grid(); }

    // The state becomes the stream function of grid vorticity (its mean dropped) and the clock
    // starts again from zero. Vorticity on another grid is moved onto the run's grid by its
    // band (solver/regrid.h). With the filter on, the state is filtered once, so a picture's
    // sharp edges start without ringing.
    void setStateFromVorticity(const PackedSpectrum& gridVorticity);
    // The state becomes psi, every entry as given (or, from another grid, its band moved onto
    // the run's grid), with frames already done on the clock (zero for a new run, more when a
    // saved run continues).
    void setState(const PackedSpectrum& psi, std::int64_t frames = 0);
    // The run moves to another grid: the same band-limited flow (its band truncated on a
    // coarser grid), the clock and settings kept.
    void setGrid(Grid grid);

    // Advances by one frame of TimeStep and counts it. A frame that produces non-finite values
    // is not counted: the state is put back as it was and the outcome says finite == false.
    const FrameOutcome& advanceFrame();

    // The stream-function spectrum; only its band less the mean entry carries the flow.
    const PackedSpectrum& psi() const { return state_.psi; }
    // Grid vorticity of the current state, computed when first asked for after a change.
    const PackedSpectrum& gridVorticity() const;
    // Grid velocities u and v: of the state itself right after it was set; after a frame, of
    // its last Runge-Kutta stage, which the speed picture shows as the state's speed.
    const PackedSpectrum& velocityX() const { return scratch_[Slot::velX]; }
    const PackedSpectrum& velocityY() const { return scratch_[Slot::velY]; }

    // After a state is set: no sub-steps (0) and the stability number of that state.
    const FrameOutcome& lastOutcome() const { return outcome_; }

    std::int64_t framesDone() const { return state_.frames; }
    double time() const { return state_.time(); }

    int reynolds() const { return reynolds_; }
    // Applies from the next frame on; reynolds > 0.
    void setReynolds(int reynolds) { reynolds_ = reynolds; }

    // The stability limit of the sub-steps and whether the small-scale filter is on; the
    // defaults are the plain rule without the filter. Apply from the next frame on.
    const FrameSettings& frameSettings() const { return settings_; }
    void setFrameSettings(const FrameSettings& settings) { settings_ = settings; }

    // Threads that share each step's passes (1: the calling thread alone); the results do not
    // depend on it. count in 1..MaxStepThreads.
    int threads() const { return parallel_ ? parallel_->threads().count() : 1; }
    void setThreads(int count);
    // Drag, hyperviscosity and forcing; none by default. Apply from the next frame on; each
    // value in the range its comment in solver/physics_params.h gives.
    const PhysicsParams& physics() const { return extra_.params(); }
    void setPhysics(const PhysicsParams& params);
    // Where the ring forcing's random numbers stand; a saved run records it to go on bit for bit.
    const ForcingNoise& forcingNoise() const { return extra_.noise(); }
    void setForcingNoise(const ForcingNoise& noise) { extra_.setNoise(noise); }

    // The dye the flow carries (solver/dye.h), moved by every frame that goes through with the
    // grid velocities the frame leaves; null while there is none. Setting the state keeps it.
    const DyeField* dye() const { return dye_ ? &dye_->field() : nullptr; }
    // Whether there is a dye, without waiting for it to be carried.
    bool hasDye() const { return dye_ != nullptr; }
    // A copy of dye becomes the run's (moved onto the run's grid when it is on another);
    // nullptr removes it.
    void setDye(const DyeField* dye);

    // What the last frame's balances left over, measured from the state the frame kept to fall
    // back on, so frames themselves pay nothing for it; both NaN until a frame has run since the
    // state was set, and after a frame that was put back.
    struct FrameBalance {
        // dE/dt less the budget's net rate over the frame (solver/budget.h), at the Reynolds
        // number and terms the frame ran with.
        double budgetResidual = 0.0;
        // The filter's share of the enstrophy the frame lost at small scales (solver/spectra.h),
        // the viscous part taken as the trapezoidal mean of its rate at the frame's ends; 0
        // without the filter.
        double filterShare = 0.0;
    };
    FrameBalance lastFrameBalance() const;

  private:
    // Grid velocities and the stability number of the state just set.
    void stateChanged(std::int64_t frames);

    FlowState state_;
    StepScratch scratch_;
    std::unique_ptr<ParallelStep> parallel_;
    std::unique_ptr<PackedSpectrum> rollback_;
    std::unique_ptr<PackedSpectrum> vorticity_;
    std::unique_ptr<CarriedDye> dye_;
    mutable bool vorticityCurrent_ = false;
    int reynolds_;
    FrameSettings settings_;
    FrameOutcome outcome_;
    ExtraTerms extra_;
    // Whether rollback_ holds the start of a frame that went through, and what that frame ran with.
    bool frameDone_ = false;
    int frameReynolds_ = 0;
    PhysicsParams framePhysics_;
};

// What a run reports about its current state, one row of a diagnostics file.
struct Diagnostics {
    double energy = 0.0;
    double enstrophy = 0.0;
    double palinstrophy = 0.0;
    // max |omega| over the grid.
    double maxVorticity = 0.0;
    // Of the last frame (or of the state just set, with sub-steps 0).
    double stabilityNumber = 0.0;
    int subSteps = 0;
    // Share of the enstrophy near the band edge (solver/spectra.h): above 1% the grid no longer
    // resolves the flow.
    double edgeEnstrophyShare = 0.0;
    // The filter's share of the last frame's small-scale enstrophy loss: with the filter on,
    // above UnresolvedFilterShare the grid no longer resolves the flow however clean the edge
    // looks (solver/spectra.h).
    double filterEnstrophyShare = 0.0;
    // The energy budget's rates (solver/budget.h) and its residual over the last frame.
    double injectionRate = 0.0;
    double viscousDissipation = 0.0;
    double hyperviscousDissipation = 0.0;
    double dragDissipation = 0.0;
    double budgetResidual = 0.0;
};

Diagnostics measureDiagnostics(const Simulation& simulation);

}  // namespace swirlon
