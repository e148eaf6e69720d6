// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the transforms and of one time step: the fast path the product runs, the
// straightforward path it is checked against, and (when FFTW 3 is installed) the same step
// algorithm on FFTW's real transforms, all side by side in one process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#if defined(SWIRLON_BENCH_WITH_FFTW)
#include <fftw3.h>
#endif

#include "solver/budget.h"
#include "solver/extra_terms.h"
#include "solver/fast_step.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/reference_step.h"
#include "solver/rk4_stage.h"
#include "solver/spectral_filter.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

constexpr int BenchReynolds = 1000;
// Fixed seed: every run measures the same numbers.
constexpr unsigned BenchSeed = 20240607;
// Amplitudes fall as (1 + K^2)^-SpectralDecay, roughly the spectrum of decaying 2-D turbulence.
constexpr double SpectralDecay = 1.5;

namespace bench {

// The grid of a benchmark: its first argument.
Grid gridOf(const benchmark::State& state) { return Grid(static_cast<int>(state.range(0))); }

PackedSpectrum randomGrid(Grid grid) {
    std::mt19937_64 engine(BenchSeed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    PackedSpectrum field(grid);
    for (double& x : field) {
        x = value(engine);
    }
    return field;
}

PackedSpectrum turbulentPsi(Grid grid) {
    std::mt19937_64 engine(BenchSeed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    PackedSpectrum psi(grid);
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        psi[grid.entryIndex(row, column)] = value(engine) * std::pow(1.0 + kSquared, -SpectralDecay);
    });
    return psi;
}

}  // namespace bench

// Every benchmark runs at each supported grid size.
void atEveryGrid(benchmark::internal::Benchmark* b) {
    for (const int size : SupportedGridSizes) {
        b->Arg(size);
    }
}

void BM_forwardRealFft2d(benchmark::State& state) {
    const PackedSpectrum source = bench::randomGrid(bench::gridOf(state));
    PackedSpectrum field = source;
    const FastKernels& kernels = bestFastKernels(source.grid());
    for (auto _ : state) {
        field = source;
        kernels.forwardRealFft2d(field.data());
        benchmark::DoNotOptimize(field.data());
    }
    state.SetLabel(simdLevelName(bestSimdLevel()));
}
BENCHMARK(BM_forwardRealFft2d)->Apply(atEveryGrid);

void BM_inverseRealFft2d(benchmark::State& state) {
    const PackedSpectrum source = bench::randomGrid(bench::gridOf(state));
    PackedSpectrum field = source;
    const FastKernels& kernels = bestFastKernels(source.grid());
    for (auto _ : state) {
        field = source;
        kernels.inverseRealFft2d(field.data());
        benchmark::DoNotOptimize(field.data());
    }
    state.SetLabel(simdLevelName(bestSimdLevel()));
}
BENCHMARK(BM_inverseRealFft2d)->Apply(atEveryGrid);

void BM_referenceForwardRealFft2d(benchmark::State& state) {
    const PackedSpectrum source = bench::randomGrid(bench::gridOf(state));
    PackedSpectrum field = source;
    for (auto _ : state) {
        field = source;
        forwardRealFft2d(source.grid().size(), field.data());
        benchmark::DoNotOptimize(field.data());
    }
}
BENCHMARK(BM_referenceForwardRealFft2d)->Apply(atEveryGrid);

void BM_referenceInverseRealFft2d(benchmark::State& state) {
    const PackedSpectrum source = bench::randomGrid(bench::gridOf(state));
    PackedSpectrum field = source;
    for (auto _ : state) {
        field = source;
        inverseRealFft2d(source.grid().size(), field.data());
        benchmark::DoNotOptimize(field.data());
    }
}
BENCHMARK(BM_referenceInverseRealFft2d)->Apply(atEveryGrid);

// Each iteration restarts from the same state, so every measured step does the same work.
template <typename Step>
void runSteps(benchmark::State& state, Step step) {
    const PackedSpectrum start = bench::turbulentPsi(bench::gridOf(state));
    PackedSpectrum psi = start;
    StepScratch scratch(start.grid());
    for (auto _ : state) {
        state.PauseTiming();
        psi = start;
        state.ResumeTiming();
        step(psi, scratch);
        benchmark::DoNotOptimize(psi.data());
    }
}

void BM_stepRk4(benchmark::State& state) {
    runSteps(state, [](PackedSpectrum& psi, StepScratch& scratch) { stepRk4(psi, scratch, BenchReynolds); });
    state.SetLabel(simdLevelName(bestSimdLevel()));
}
BENCHMARK(BM_stepRk4)->Apply(atEveryGrid);

void BM_referenceStepRk4(benchmark::State& state) {
    runSteps(state, [](PackedSpectrum& psi, StepScratch& scratch) { referenceStepRk4(psi, scratch, BenchReynolds); });
}
BENCHMARK(BM_referenceStepRk4)->Apply(atEveryGrid);

// The fast step at each narrower vector width this processor runs.
void BM_stepRk4AtLevel(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(1));
    if (!isSimdLevelAvailable(level)) {
        state.SkipWithError("vector level not available on this processor");
        return;
    }
    const FastKernels& kernels = fastKernels(level, bench::gridOf(state));
    runSteps(state, [&](PackedSpectrum& psi, StepScratch& scratch) {
        kernels.beginStep(psi, scratch, nullptr);
        kernels.finishStep(psi, scratch, BenchReynolds, TimeStep, nullptr);
    });
    state.SetLabel(simdLevelName(level));
}
BENCHMARK(BM_stepRk4AtLevel)
    ->ArgsProduct({{SupportedGridSizes.begin(), SupportedGridSizes.end()},
                   benchmark::CreateDenseRange(0, SimdLevelCount - 1, 1)});

// The fast step with its passes shared among 1, 2 or more threads: set the medians against
// each other at each grid to see where a second thread pays.
void BM_stepRk4OnThreads(benchmark::State& state) {
    const Grid grid = bench::gridOf(state);
    ParallelStep parallel(static_cast<int>(state.range(1)), grid);
    runSteps(state, [&](PackedSpectrum& psi, StepScratch& scratch) {
        stepRk4(psi, scratch, BenchReynolds, TimeStep, &parallel);
    });
    state.SetLabel(simdLevelName(bestSimdLevel()));
}
BENCHMARK(BM_stepRk4OnThreads)
    ->ArgsProduct({{SupportedGridSizes.begin(), SupportedGridSizes.end()}, {1, 2}})
    ->UseRealTime();

// The small-scale filter on its own. Repeated filtering drives the outer modes towards the
// subnormal range, so the state is put back every few passes.
void BM_spectralFilter(benchmark::State& state) {
    constexpr int PassesBeforeRestart = 4;
    const PackedSpectrum start = bench::turbulentPsi(bench::gridOf(state));
    PackedSpectrum psi = start;
    int passes = 0;
    for (auto _ : state) {
        if (passes == PassesBeforeRestart) {
            state.PauseTiming();
            psi = start;
            passes = 0;
            state.ResumeTiming();
        }
        applySpectralFilter(psi);
        ++passes;
        benchmark::DoNotOptimize(psi.data());
    }
}
BENCHMARK(BM_spectralFilter)->Apply(atEveryGrid);

// A step followed by the filter, as a frame with the filter on takes it: set against BM_stepRk4.
void BM_filteredStepRk4(benchmark::State& state) {
    runSteps(state, [](PackedSpectrum& psi, StepScratch& scratch) {
        stepRk4(psi, scratch, BenchReynolds);
        applySpectralFilter(psi);
    });
}
BENCHMARK(BM_filteredStepRk4)->Apply(atEveryGrid);

// A step followed by drag and ring forcing, as a frame of forced-turbulence takes it (a step
// of the full TimeStep): set against BM_stepRk4 for the cost of the extra terms. The decay
// factors are tabulated on the first step and reused after.
void BM_forcedStepRk4(benchmark::State& state) {
    ExtraTerms terms;
    terms.setParams({.forcing = ForcingKind::ring, .forcingWaveNumber = 4, .injectionRate = 3e-3, .drag = 0.1});
    runSteps(state, [&](PackedSpectrum& psi, StepScratch& scratch) {
        stepRk4(psi, scratch, BenchReynolds);
        terms.apply(psi, BenchReynolds, TimeStep);
    });
}
BENCHMARK(BM_forcedStepRk4)->Apply(atEveryGrid);

// The energy budget a run measures once a frame for the residual, forced or not.
void BM_energyBudget(benchmark::State& state) {
    const PackedSpectrum psi = bench::turbulentPsi(bench::gridOf(state));
    for (auto _ : state) {
        benchmark::DoNotOptimize(energyBudget(psi, BenchReynolds, PhysicsParams{.drag = 0.1}));
    }
}
BENCHMARK(BM_energyBudget)->Apply(atEveryGrid);

#if defined(SWIRLON_BENCH_WITH_FFTW)

// The same RK4 step (derivative spectra, four inverse transforms, the advection product, one
// forward transform, the increment) on FFTW's half-complex 2-D transforms, one thread,
// FFTW_MEASURE plans. The state is the band of F(kx, ky), kx = 0..64 and ky by row index.
class FftwStep {
  public:
    using Spectrum = std::complex<double>;

    explicit FftwStep(Grid on) : grid_(on), n_(on.size()), columns_(n_ / 2 + 1), spectrumSize_(n_ * columns_) {
        for (auto& field : derivatives_) {
            field = allocateSpectrum();
        }
        for (auto& grid : grids_) {
            grid = fftw_alloc_real(grid_.points());
        }
        advectionHat_ = allocateSpectrum();
        for (int i = 0; i < 4; ++i) {
            inversePlans_[i] = fftw_plan_dft_c2r_2d(n_, n_, asFftw(derivatives_[i]), grids_[i], FFTW_MEASURE);
        }
        advection_ = fftw_alloc_real(grid_.points());
        forwardPlan_ = fftw_plan_dft_r2c_2d(n_, n_, advection_, asFftw(advectionHat_), FFTW_MEASURE);
        for (auto* field : {&psi_, &base_, &rk_[0], &rk_[1], &rk_[2], &rk_[3]}) {
            field->assign(spectrumSize_, Spectrum{});
        }
    }
    FftwStep(const FftwStep&) = delete;
    FftwStep& operator=(const FftwStep&) = delete;
    ~FftwStep() {
        for (auto* plan : inversePlans_) {
            fftw_destroy_plan(plan);
        }
        fftw_destroy_plan(forwardPlan_);
        for (auto* field : derivatives_) {
            fftw_free(field);
        }
        for (auto* grid : grids_) {
            fftw_free(grid);
        }
        fftw_free(advectionHat_);
        fftw_free(advection_);
    }

    // The band of a packed psi as coefficients; F(0, -ky) is the conjugate of F(0, ky).
    void load(const PackedSpectrum& packed) {
        psi_.assign(spectrumSize_, Spectrum{});
        grid_.forEachBandEntryButMean([&](int row, int column, int) {
            if (column > grid_.bandLimit()) {
                return;
            }
            if (column > 0) {
                const Grid::ModeEntries entries = grid_.modeEntries(column, grid_.signedWaveNumber(row));
                psi_[at(row, column)] = {packed[entries.real], packed[entries.imaginary]};
            } else if (row <= grid_.bandLimit()) {
                const Grid::ModeEntries entries = grid_.modeEntries(0, row);
                const Spectrum c{packed[entries.real], packed[entries.imaginary]};
                psi_[at(row, 0)] = c;
                psi_[at(n_ - row, 0)] = std::conj(c);
            }
        });
    }

    Spectrum coefficient(int row, int column) const { return psi_[at(row, column)]; }

    void step(int reynolds, double dt) {
        const double nu = 1.0 / static_cast<double>(reynolds);
        base_ = psi_;
        for (int stage = 0; stage < 4; ++stage) {
            evaluate(rk_[stage], nu, dt);
            forEachBandCoefficient([&](int i, int) {
                if (stage < 3) {
                    psi_[i] = StageWeights[stage] * rk_[stage][i] + base_[i];
                } else {
                    psi_[i] =
                        ((rk_[2][i] + rk_[1][i]) * MiddleIncrementWeight + rk_[0][i] + rk_[3][i]) * OneSixth + base_[i];
                }
            });
        }
    }

  private:
    int at(int row, int column) const { return row * columns_ + column; }
    Spectrum* allocateSpectrum() const { return reinterpret_cast<Spectrum*>(fftw_alloc_complex(spectrumSize_)); }
    static fftw_complex* asFftw(Spectrum* p) { return reinterpret_cast<fftw_complex*>(p); }

    // visit(index, kSquared) for every stored band coefficient but the mean.
    template <typename Visit>
    void forEachBandCoefficient(Visit&& visit) const {
        for (int row = 0; row < n_; ++row) {
            if (!grid_.isBandIndex(row)) {
                continue;
            }
            const int b = grid_.foldedWaveNumber(row);
            for (int kx = 0; kx <= grid_.bandLimit(); ++kx) {
                if (kx != 0 || row != 0) {
                    visit(at(row, kx), kx * kx + b * b);
                }
            }
        }
    }

    void evaluate(std::vector<Spectrum>& increment, double nu, double dt) {
        for (auto* field : derivatives_) {
            std::fill(field, field + spectrumSize_, Spectrum{});
        }
        const Spectrum i1{0.0, 1.0};
        for (int row = 0; row < n_; ++row) {
            if (!grid_.isBandIndex(row)) {
                continue;
            }
            const double ky = grid_.signedWaveNumber(row);
            for (int kx = 0; kx <= grid_.bandLimit(); ++kx) {
                const int i = at(row, kx);
                const double k2 = kx * kx + ky * ky;
                const Spectrum p = psi_[i];
                derivatives_[0][i] = -i1 * ky * p;
                derivatives_[1][i] = i1 * static_cast<double>(kx) * p;
                derivatives_[2][i] = -i1 * (kx * k2) * p;
                derivatives_[3][i] = -i1 * (ky * k2) * p;
            }
        }
        for (auto* plan : inversePlans_) {
            fftw_execute(plan);
        }
        for (int k = 0; k < grid_.points(); ++k) {
            advection_[k] = grids_[3][k] * grids_[1][k] + grids_[2][k] * grids_[0][k];
        }
        fftw_execute(forwardPlan_);
        const double normalisation = 1.0 / grid_.points();
        forEachBandCoefficient([&](int i, int kSquared) {
            const double k2 = kSquared;
            increment[i] = (advectionHat_[i] * normalisation / k2 - nu * k2 * psi_[i]) * dt;
        });
    }

    Grid grid_;
    int n_;
    int columns_;
    int spectrumSize_;
    std::vector<Spectrum> psi_, base_;
    std::vector<Spectrum> rk_[4];
    Spectrum* derivatives_[4] = {};
    double* grids_[4] = {};
    double* advection_ = nullptr;
    Spectrum* advectionHat_ = nullptr;
    fftw_plan inversePlans_[4] = {};
    fftw_plan forwardPlan_ = nullptr;
};

// Largest difference, relative to the largest coefficient, between a packed band and FFTW's.
double relativeDifference(const PackedSpectrum& packed, const FftwStep& fftw) {
    const Grid& grid = packed.grid();
    double largest = 0.0;
    double difference = 0.0;
    grid.forEachBandEntryButMean([&](int row, int column, int) {
        if (column > grid.bandLimit() || (column == 0 && row > grid.bandLimit())) {
            return;
        }
        const Grid::ModeEntries entries = grid.modeEntries(column, grid.signedWaveNumber(row));
        const std::complex<double> ours{packed[entries.real], packed[entries.imaginary]};
        largest = std::max(largest, std::abs(ours));
        difference = std::max(difference, std::abs(ours - fftw.coefficient(row, column)));
    });
    return difference / largest;
}

// The two steps must agree to rounding, or the comparison would not be of the same algorithm.
constexpr double AgreementTolerance = 1e-12;

void BM_fftwStepRk4(benchmark::State& state) {
    const PackedSpectrum start = bench::turbulentPsi(bench::gridOf(state));
    FftwStep fftw(bench::gridOf(state));
    {
        PackedSpectrum ours = start;
        StepScratch scratch(start.grid());
        stepRk4(ours, scratch, BenchReynolds);
        fftw.load(start);
        fftw.step(BenchReynolds, TimeStep);
        const double difference = relativeDifference(ours, fftw);
        if (!(difference < AgreementTolerance)) {
            state.SkipWithError("the FFTW step disagrees with the solver's step");
            return;
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        fftw.load(start);
        state.ResumeTiming();
        fftw.step(BenchReynolds, TimeStep);
    }
}
BENCHMARK(BM_fftwStepRk4)->Apply(atEveryGrid);

#endif

}  // namespace
}  // namespace swirlon
