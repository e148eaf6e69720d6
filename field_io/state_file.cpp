// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/state_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

#include "field_io/file_bytes.h"
#include "field_io/npy.h"
#include "field_io/zip_archive.h"

namespace swirlon {
namespace {

constexpr std::array<std::uint8_t, 4> ZipSignature{'P', 'K', 3, 4};
// Room for the members this program writes, stored or deflated, and a few more: far beyond
// any state file, far below what would strain memory.
constexpr std::size_t MaxStateFileBytes = 8 * NpyMaxFieldFileBytes;
constexpr std::array<std::string_view, DyeChannels> DyeMembers{state_member::dyeRed, state_member::dyeGreen,
                                                               state_member::dyeBlue};
constexpr std::size_t MaxScalarMemberBytes = 1024;

bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::string memberFile(std::string_view member) { return std::string(member) + ".npy"; }

FileError notAState(std::string_view member = {}) {
    return FileError{FileErrorKind::stateNotAState, {}, std::string(member)};
}

// A member's bytes, or the error that makes the archive unusable as a state.
std::optional<FileError> readMember(const ZipReader& zip, std::string_view member, std::size_t maxBytes,
                                    std::vector<std::uint8_t>& out) {
    switch (zip.read(memberFile(member), maxBytes, out)) {
    case ZipReadStatus::ok:
        return std::nullopt;
    case ZipReadStatus::damaged:
        return FileError{FileErrorKind::stateDamaged, {}, std::string(member)};
    case ZipReadStatus::notZip:
    case ZipReadStatus::missing:
    case ZipReadStatus::tooLarge:
        break;
    }
    return notAState(member);
}

template <typename Value>
std::optional<FileError> readScalar(const ZipReader& zip, std::string_view member, Value& value) {
    std::vector<std::uint8_t> bytes;
    if (auto error = readMember(zip, member, MaxScalarMemberBytes, bytes)) {
        return error;
    }
    const std::optional<Value> decoded = decodeNpyScalar<Value>(bytes);
    if (!decoded) {
        return notAState(member);
    }
    value = *decoded;
    return std::nullopt;
}

// A member that later versions added: one that is missing leaves value as it is.
template <typename Value>
std::optional<FileError> readLaterScalar(const ZipReader& zip, std::string_view member, Value& value) {
    std::vector<std::uint8_t> unused;
    if (zip.read(memberFile(member), MaxScalarMemberBytes, unused) == ZipReadStatus::missing) {
        return std::nullopt;
    }
    return readScalar(zip, member, value);
}

// The physics group: all of its members or none, a partial or out-of-range one refused rather
// than read as a plain run.
std::optional<FileError> readPhysics(const ZipReader& zip, PhysicsParams& physics, ForcingNoise& noise) {
    constexpr std::string_view group[] = {state_member::forcing,
                                          state_member::forcingWaveNumber,
                                          state_member::forcingAmplitude,
                                          state_member::injectionRate,
                                          state_member::drag,
                                          state_member::hyperviscosity,
                                          state_member::hyperOrder,
                                          state_member::forcingSeed,
                                          state_member::forcingDraws};
    std::vector<std::uint8_t> unused;
    const bool any = std::any_of(std::begin(group), std::end(group), [&](std::string_view member) {
        return zip.read(memberFile(member), MaxScalarMemberBytes, unused) != ZipReadStatus::missing;
    });
    if (!any) {
        physics = PhysicsParams{};
        noise = ForcingNoise{};
        return std::nullopt;
    }
    std::int64_t kind = 0;
    std::int64_t waveNumber = 0;
    std::int64_t order = 0;
    std::int64_t seed = 0;
    std::int64_t draws = 0;
    PhysicsParams read;
    const std::pair<std::string_view, std::int64_t*> integers[] = {{state_member::forcing, &kind},
                                                                   {state_member::forcingWaveNumber, &waveNumber},
                                                                   {state_member::hyperOrder, &order},
                                                                   {state_member::forcingSeed, &seed},
                                                                   {state_member::forcingDraws, &draws}};
    for (const auto& [member, value] : integers) {
        if (auto error = readScalar(zip, member, *value)) {
            return error;
        }
    }
    const std::pair<std::string_view, double*> numbers[] = {{state_member::forcingAmplitude, &read.forcingAmplitude},
                                                            {state_member::injectionRate, &read.injectionRate},
                                                            {state_member::drag, &read.drag},
                                                            {state_member::hyperviscosity, &read.hyperviscosity}};
    for (const auto& [member, value] : numbers) {
        if (auto error = readScalar(zip, member, *value)) {
            return error;
        }
    }
    if (kind < 0 || kind > static_cast<std::int64_t>(ForcingKind::ring)) {
        return notAState(state_member::forcing);
    }
    if (waveNumber < 1 || waveNumber > MaxForcingWaveNumber) {
        return notAState(state_member::forcingWaveNumber);
    }
    if (order < 1 || order > MaxHyperOrder) {
        return notAState(state_member::hyperOrder);
    }
    if (draws < 0) {
        return notAState(state_member::forcingDraws);
    }
    read.forcing = static_cast<ForcingKind>(kind);
    read.forcingWaveNumber = static_cast<int>(waveNumber);
    read.hyperOrder = static_cast<int>(order);
    // The remaining checks are on the numbers; name the first that fails.
    const std::pair<std::string_view, bool> ranges[] = {
        {state_member::forcingAmplitude, std::isfinite(read.forcingAmplitude) && read.forcingAmplitude > 0.0},
        {state_member::injectionRate, std::isfinite(read.injectionRate) && read.injectionRate > 0.0},
        {state_member::drag, std::isfinite(read.drag) && read.drag >= 0.0},
        {state_member::hyperviscosity, std::isfinite(read.hyperviscosity) && read.hyperviscosity >= 0.0}};
    for (const auto& [member, good] : ranges) {
        if (!good) {
            return notAState(member);
        }
    }
    physics = read;
    noise = ForcingNoise{.seed = static_cast<std::uint64_t>(seed), .draws = static_cast<std::uint64_t>(draws)};
    return std::nullopt;
}

// The dye group: all three channels on the spectrum's grid with finite values, or none.
std::optional<FileError> readDye(const ZipReader& zip, const Grid& grid, std::shared_ptr<const DyeField>& dye) {
    std::vector<std::uint8_t> bytes;
    const bool any = std::any_of(DyeMembers.begin(), DyeMembers.end(), [&](std::string_view member) {
        return zip.read(memberFile(member), 0, bytes) != ZipReadStatus::missing;
    });
    if (!any) {
        return std::nullopt;
    }
    auto read = std::make_shared<DyeField>(grid);
    auto plane = std::make_unique<PackedSpectrum>(Grid{});
    for (int c = 0; c < DyeChannels; ++c) {
        const std::string_view member = DyeMembers[static_cast<std::size_t>(c)];
        if (auto error = readMember(zip, member, NpyMaxFieldFileBytes, bytes)) {
            return error;
        }
        if (decodeNpyField(bytes, *plane) || plane->grid() != grid ||
            !std::all_of(plane->begin(), plane->end(), [](double value) { return std::isfinite(value); })) {
            return notAState(member);
        }
        std::copy(plane->begin(), plane->end(), read->channel(c));
    }
    dye = std::move(read);
    return std::nullopt;
}

std::optional<FileError> decodeNpz(std::span<const std::uint8_t> bytes, PackedSpectrum& psi, RunClock& clock) {
    const ZipReader zip(bytes);
    if (zip.status() == ZipReadStatus::damaged) {
        return FileError{FileErrorKind::stateDamaged, {}, {}};
    }
    if (zip.status() != ZipReadStatus::ok) {
        return notAState();
    }
    std::vector<std::uint8_t> spectrumBytes;
    if (auto error = readMember(zip, state_member::psi, NpyMaxFieldFileBytes, spectrumBytes)) {
        return error;
    }
    auto spectrum = std::make_unique<PackedSpectrum>(Grid{});
    if (decodeNpyField(spectrumBytes, *spectrum)) {
        return notAState(state_member::psi);
    }
    std::int64_t frames = 0;
    double time = 0.0;
    std::int64_t reynolds = 0;
    bool filter = false;
    double stabilityLimit = SafeStabilityNumber;
    if (auto error = readScalar(zip, state_member::frames, frames)) {
        return error;
    }
    if (auto error = readScalar(zip, state_member::time, time)) {
        return error;
    }
    if (auto error = readScalar(zip, state_member::reynolds, reynolds)) {
        return error;
    }
    // The filter and the stability limit came later than the others; an archive without them
    // ran unfiltered at the safe limit.
    if (auto error = readLaterScalar(zip, state_member::filter, filter)) {
        return error;
    }
    if (auto error = readLaterScalar(zip, state_member::stabilityLimit, stabilityLimit)) {
        return error;
    }
    if (!(stabilityLimit > 0.0 && stabilityLimit <= MaxStabilityLimit)) {
        return notAState(state_member::stabilityLimit);
    }
    if (frames < 0) {
        return notAState(state_member::frames);
    }
    // The clock is the frame count; the time is there for readers of the file and must agree.
    if (time != static_cast<double>(frames) * TimeStep) {
        return notAState(state_member::time);
    }
    if (reynolds < 1 || reynolds > std::numeric_limits<int>::max()) {
        return notAState(state_member::reynolds);
    }
    PhysicsParams physics;
    ForcingNoise noise;
    if (auto error = readPhysics(zip, physics, noise)) {
        return error;
    }
    std::shared_ptr<const DyeField> dye;
    if (auto error = readDye(zip, spectrum->grid(), dye)) {
        return error;
    }
    psi = *spectrum;
    clock = RunClock{.frames = frames,
                     .reynolds = static_cast<int>(reynolds),
                     .filter = filter,
                     .stabilityLimit = stabilityLimit,
                     .physics = physics,
                     .noise = noise,
                     .dye = std::move(dye)};
    return std::nullopt;
}

// A bare spectrum is an N x N array like any grid field, such as saved vorticity. What marks a
// state is its mean entry: every way this program makes a state zeroes it (the Poisson solve,
// the built-in spectra) and no step writes it, while a grid field holds the vorticity at the
// origin there, which is zero only by coincidence.
std::optional<FileError> decodeBareSpectrum(std::span<const std::uint8_t> bytes, PackedSpectrum& psi, RunClock& clock) {
    auto spectrum = std::make_unique<PackedSpectrum>(Grid{});
    if (auto error = decodeNpyField(bytes, *spectrum)) {
        return error;
    }
    if ((*spectrum)[0] != 0.0) {
        return notAState();
    }
    psi = *spectrum;
    clock = RunClock{};
    return std::nullopt;
}

std::vector<std::uint8_t> encodeNpz(const PackedSpectrum& psi, const RunClock& clock) {
    std::vector<ZipMember> members = {
        {memberFile(state_member::psi), encodeNpyField(psi)},
        {memberFile(state_member::time), encodeNpyScalar(static_cast<double>(clock.frames) * TimeStep)},
        {memberFile(state_member::frames), encodeNpyScalar(clock.frames)},
        {memberFile(state_member::reynolds), encodeNpyScalar(static_cast<std::int64_t>(clock.reynolds))},
        {memberFile(state_member::filter), encodeNpyScalar(clock.filter)},
        {memberFile(state_member::stabilityLimit), encodeNpyScalar(clock.stabilityLimit)},
    };
    if (hasExtraTerms(clock.physics)) {
        const PhysicsParams& physics = clock.physics;
        const ZipMember terms[] = {
            {memberFile(state_member::forcing), encodeNpyScalar(static_cast<std::int64_t>(physics.forcing))},
            {memberFile(state_member::forcingWaveNumber), encodeNpyScalar(std::int64_t{physics.forcingWaveNumber})},
            {memberFile(state_member::forcingAmplitude), encodeNpyScalar(physics.forcingAmplitude)},
            {memberFile(state_member::injectionRate), encodeNpyScalar(physics.injectionRate)},
            {memberFile(state_member::drag), encodeNpyScalar(physics.drag)},
            {memberFile(state_member::hyperviscosity), encodeNpyScalar(physics.hyperviscosity)},
            {memberFile(state_member::hyperOrder), encodeNpyScalar(std::int64_t{physics.hyperOrder})},
            {memberFile(state_member::forcingSeed), encodeNpyScalar(static_cast<std::int64_t>(clock.noise.seed))},
            {memberFile(state_member::forcingDraws), encodeNpyScalar(static_cast<std::int64_t>(clock.noise.draws))},
        };
        members.insert(members.end(), std::begin(terms), std::end(terms));
    }
    if (clock.dye) {
        auto plane = std::make_unique<PackedSpectrum>(clock.dye->grid());
        for (int c = 0; c < DyeChannels; ++c) {
            std::copy_n(clock.dye->channel(c), plane->size(), plane->begin());
            members.push_back({memberFile(DyeMembers[static_cast<std::size_t>(c)]), encodeNpyField(*plane)});
        }
    }
    return makeZip(members);
}

}  // namespace

StateFormat stateFormatFor(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".npy" ? StateFormat::bareSpectrum : StateFormat::npz;
}

std::vector<std::uint8_t> encodeState(StateFormat format, const PackedSpectrum& psi, const RunClock& clock) {
    return format == StateFormat::npz ? encodeNpz(psi, clock) : encodeNpyField(psi);
}

std::optional<FileError> decodeState(std::span<const std::uint8_t> bytes, PackedSpectrum& psi, RunClock& clock) {
    if (startsWith(bytes, ZipSignature)) {
        return decodeNpz(bytes, psi, clock);
    }
    if (startsWith(bytes, NpyMagic)) {
        return decodeBareSpectrum(bytes, psi, clock);
    }
    return notAState();
}

std::optional<FileError> readStateFile(const std::string& path, PackedSpectrum& psi, RunClock& clock) {
    std::vector<std::uint8_t> bytes;
    if (auto error = readFileBytes(path, MaxStateFileBytes, FileErrorKind::stateTooLarge, bytes)) {
        return error;
    }
    if (auto error = decodeState(bytes, psi, clock)) {
        error->path = path;
        return error;
    }
    return std::nullopt;
}

}  // namespace swirlon
