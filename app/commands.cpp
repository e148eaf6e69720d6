// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commands.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/file_commands.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/plots_dock.h"
#include "app/recording.h"
#include "app/run_pace.h"
#include "app/run_recorder.h"
#include "app/texts.h"
#include "field_io/presets.h"

namespace swirlon {
namespace {

bool idle(const CMainFrame& frame) { return !frame.view().isRunning(); }
bool running(const CMainFrame& frame) { return frame.view().isRunning(); }

template <int Reynolds>
bool reynoldsIs(const CMainFrame& frame) {
    return frame.view().reynoldsNumber() == Reynolds;
}

template <DisplayMode Mode>
bool displayIs(const CMainFrame& frame) {
    return frame.view().pictureMode() == Mode;
}

template <int Reynolds>
void chooseReynolds(CMainFrame& frame) {
    frame.view().setReynolds(Reynolds);
}

template <DisplayMode Mode>
void chooseDisplay(CMainFrame& frame) {
    frame.view().setDisplayMode(Mode);
}

bool autoRangeOn(const CMainFrame& frame) { return frame.view().autoRangeOn(); }
bool legendShown(const CMainFrame& frame) { return frame.view().legendShown(); }
bool recording(const CMainFrame& frame) { return frame.view().recorder().active(); }
bool recordingMovie(const CMainFrame& frame) { return frame.view().movieRecorder().active(); }

template <ColourMap Map>
bool coloursAre(const CMainFrame& frame) {
    return frame.view().colourMap() == Map;
}

template <ColourMap Map>
void chooseColours(CMainFrame& frame) {
    frame.view().setColourMap(Map);
}

template <PictureZoom Zoom>
bool zoomIs(const CMainFrame& frame) {
    return frame.view().zoom() == Zoom;
}

template <PictureZoom Zoom>
void chooseZoom(CMainFrame& frame) {
    frame.view().setZoom(Zoom);
}

// Pace choices of the Calculation menu, in simulated time per second of wall time.
struct PaceChoice {
    int id;
    Pace pace;
};
constexpr std::array PaceChoices{PaceChoice{ID_PACE_0_1, PacedChoices[0]}, PaceChoice{ID_PACE_0_5, PacedChoices[1]},
                                 PaceChoice{ID_PACE_2, PacedChoices[2]}, PaceChoice{ID_PACE_10, PacedChoices[3]},
                                 PaceChoice{ID_PACE_MAX, MaxPace}};

constexpr Pace paceOf(int id) {
    return std::find_if(PaceChoices.begin(), PaceChoices.end(), [id](const PaceChoice& c) { return c.id == id; })->pace;
}

template <int Id>
bool paceIs(const CMainFrame& frame) {
    return frame.view().pace() == paceOf(Id);
}

template <int Id>
void choosePace(CMainFrame& frame) {
    frame.view().setPace(paceOf(Id));
}

// The built-in fields of the File menu, by their preset names.
struct BuiltInField {
    int id;
    std::string_view preset;
};
constexpr std::array BuiltInFields{BuiltInField{ID_FIELD_DEFAULT, "default"},
                                   BuiltInField{ID_FIELD_TAYLOR_GREEN, "taylor-green"},
                                   BuiltInField{ID_FIELD_VORTEX_PAIR, "vortex-pair"},
                                   BuiltInField{ID_FIELD_SHEAR_LAYER, "shear-layer"},
                                   BuiltInField{ID_FIELD_RANDOM_TURBULENCE, "mcwilliams"},
                                   BuiltInField{ID_FIELD_FORCED_TURBULENCE, "forced-turbulence"},
                                   BuiltInField{ID_FIELD_KOLMOGOROV, "kolmogorov"}};

// A field made to run forced brings its terms and Reynolds number; the others keep the run's.
template <int Id>
void chooseField(CMainFrame& frame) {
    const auto field =
        std::find_if(BuiltInFields.begin(), BuiltInFields.end(), [](const BuiltInField& f) { return f.id == Id; });
    const Preset* preset = findPreset(field->preset);
    if (frame.view().chooseBuiltInField(field->preset) && hasExtraTerms(preset->physics)) {
        frame.view().simulation().setPhysics(preset->physics);
        frame.view().setReynolds(preset->reynolds);
    }
}

// The forcing and the drag take their strengths from the presets made for them.
const PhysicsParams& presetTerms(std::string_view name) { return findPreset(name)->physics; }

template <ForcingKind Kind>
bool forcingIs(const CMainFrame& frame) {
    return frame.view().simulation().physics().forcing == Kind;
}

template <int Size>
bool gridIs(const CMainFrame& frame) {
    return frame.view().simulation().grid().size() == Size;
}

template <int Size>
void chooseGrid(CMainFrame& frame) {
    frame.view().setGrid(Grid(Size));
}

template <ForcingKind Kind>
void chooseForcing(CMainFrame& frame) {
    PhysicsParams terms = frame.view().simulation().physics();
    terms.forcing = Kind;
    if (Kind != ForcingKind::none) {
        const PhysicsParams& made = presetTerms(Kind == ForcingKind::stripes ? "kolmogorov" : "forced-turbulence");
        terms.forcingWaveNumber = made.forcingWaveNumber;
        terms.forcingAmplitude = made.forcingAmplitude;
        terms.injectionRate = made.injectionRate;
    }
    frame.view().simulation().setPhysics(terms);
}

bool dragOn(const CMainFrame& frame) { return frame.view().simulation().physics().drag > 0.0; }

void toggleDrag(CMainFrame& frame) {
    PhysicsParams terms = frame.view().simulation().physics();
    terms.drag = dragOn(frame) ? 0.0 : presetTerms("forced-turbulence").drag;
    frame.view().simulation().setPhysics(terms);
}

// The tables keep one command or menu line to a row, aligned by hand.
// clang-format off
const CommandEntry Commands[]{
    {ID_LOAD_INITIAL_VORTICITY, texts::ItemLoad, {},
     [](CMainFrame& frame) { frame.loadInitialVorticity(); }, idle, nullptr},
    {ID_APP_EXIT, texts::ItemExit, texts::PromptExit, [](CMainFrame& frame) { frame.close(); }, nullptr,
     nullptr},
    {ID_CALC_START, texts::ItemStart, {}, [](CMainFrame& frame) { frame.view().runCalculation(); }, idle,
     nullptr},
    {ID_CALC_STOP, texts::ItemStop, {}, [](CMainFrame& frame) { frame.view().requestStop(); }, running,
     nullptr},
    {ID_RE_100, texts::ItemRe100, {}, chooseReynolds<ReynoldsLow>, nullptr, reynoldsIs<ReynoldsLow>},
    {ID_RE_1000, texts::ItemRe1000, {}, chooseReynolds<ReynoldsMedium>, nullptr, reynoldsIs<ReynoldsMedium>},
    {ID_RE_10000, texts::ItemRe10000, {}, chooseReynolds<ReynoldsHigh>, nullptr, reynoldsIs<ReynoldsHigh>},
    {ID_VIEW_VORTICITY, texts::ItemVorticity, {}, chooseDisplay<DisplayMode::vorticity>, nullptr,
     displayIs<DisplayMode::vorticity>},
    {ID_VIEW_SPEED2, texts::ItemSpeed2, {}, chooseDisplay<DisplayMode::speed>, nullptr,
     displayIs<DisplayMode::speed>},
    {ID_APP_ABOUT, texts::ItemAbout, texts::PromptAbout, [](CMainFrame& frame) { AboutDialog::showModal(&frame); },
     nullptr, nullptr},
    // Picture commands.
    {ID_VIEW_AUTO_RANGE, texts::ItemAutoRange, texts::PromptAutoRange,
     [](CMainFrame& frame) { frame.view().setAutoRange(!frame.view().autoRangeOn()); }, nullptr, autoRangeOn},
    {ID_VIEW_LEGEND, texts::ItemLegend, texts::PromptLegend,
     [](CMainFrame& frame) { frame.view().setLegendShown(!frame.view().legendShown()); }, nullptr, legendShown},
    {ID_ZOOM_2, texts::ItemZoom2, texts::PromptZoom2, chooseZoom<PictureZoom::times2>, nullptr,
     zoomIs<PictureZoom::times2>},
    {ID_ZOOM_3, texts::ItemZoom3, texts::PromptZoom3, chooseZoom<PictureZoom::times3>, nullptr,
     zoomIs<PictureZoom::times3>},
    {ID_ZOOM_4, texts::ItemZoom4, texts::PromptZoom4, chooseZoom<PictureZoom::times4>, nullptr,
     zoomIs<PictureZoom::times4>},
    {ID_ZOOM_FIT, texts::ItemZoomFit, texts::PromptZoomFit, chooseZoom<PictureZoom::fitWindow>, nullptr,
     zoomIs<PictureZoom::fitWindow>},
    {ID_VIEW_COLOURS_CLASSIC, texts::ItemColoursClassic, texts::PromptColoursClassic,
     chooseColours<ColourMap::classic>, nullptr, coloursAre<ColourMap::classic>},
    {ID_VIEW_COLOURS_DIVERGING, texts::ItemColoursDiverging, texts::PromptColoursDiverging,
     chooseColours<ColourMap::diverging>, nullptr, coloursAre<ColourMap::diverging>},
    {ID_VIEW_COLOURS_SEQUENTIAL, texts::ItemColoursSequential, texts::PromptColoursSequential,
     chooseColours<ColourMap::sequential>, nullptr, coloursAre<ColourMap::sequential>},
    {ID_FILE_SAVE_PICTURE, texts::ItemSavePicture, texts::PromptSavePicture,
     saveShownPicture, nullptr, nullptr},
    {ID_FILE_RECORD_FRAMES, texts::ItemRecordFrames, texts::PromptRecordFrames,
     toggleRecording, nullptr, recording},
    {ID_FILE_RECORD_MOVIE, texts::ItemRecordMovie, texts::PromptRecordMovie,
     toggleMovieRecording, nullptr, recordingMovie},
    // Watching a run.
    {ID_CALC_STEP, texts::ItemStep, texts::PromptStep, [](CMainFrame& frame) { frame.view().stepFrame(); }, idle,
     nullptr},
    {ID_CALC_RESET, texts::ItemReset, texts::PromptReset, [](CMainFrame& frame) { frame.view().resetToStart(); },
     idle, nullptr},
    {ID_PACE_0_1, texts::ItemPace0_1, texts::PromptPace0_1, choosePace<ID_PACE_0_1>, nullptr, paceIs<ID_PACE_0_1>},
    {ID_PACE_0_5, texts::ItemPace0_5, texts::PromptPace0_5, choosePace<ID_PACE_0_5>, nullptr, paceIs<ID_PACE_0_5>},
    {ID_PACE_2, texts::ItemPace2, texts::PromptPace2, choosePace<ID_PACE_2>, nullptr, paceIs<ID_PACE_2>},
    {ID_PACE_10, texts::ItemPace10, texts::PromptPace10, choosePace<ID_PACE_10>, nullptr, paceIs<ID_PACE_10>},
    {ID_PACE_MAX, texts::ItemPaceMax, texts::PromptPaceMax, choosePace<ID_PACE_MAX>, nullptr, paceIs<ID_PACE_MAX>},
    {ID_FIELD_DEFAULT, texts::FieldDefault, texts::PromptFieldDefault, chooseField<ID_FIELD_DEFAULT>, idle, nullptr},
    {ID_FIELD_TAYLOR_GREEN, texts::FieldTaylorGreen, texts::PromptFieldTaylorGreen,
     chooseField<ID_FIELD_TAYLOR_GREEN>, idle, nullptr},
    {ID_FIELD_VORTEX_PAIR, texts::FieldVortexPair, texts::PromptFieldVortexPair, chooseField<ID_FIELD_VORTEX_PAIR>,
     idle, nullptr},
    {ID_FIELD_SHEAR_LAYER, texts::FieldShearLayer, texts::PromptFieldShearLayer, chooseField<ID_FIELD_SHEAR_LAYER>,
     idle, nullptr},
    {ID_FIELD_RANDOM_TURBULENCE, texts::FieldRandomTurbulence, texts::PromptFieldRandomTurbulence,
     chooseField<ID_FIELD_RANDOM_TURBULENCE>, idle, nullptr},
    {ID_FIELD_FORCED_TURBULENCE, texts::FieldForcedTurbulence, texts::PromptFieldForcedTurbulence,
     chooseField<ID_FIELD_FORCED_TURBULENCE>, idle, nullptr},
    {ID_FIELD_KOLMOGOROV, texts::FieldKolmogorov, texts::PromptFieldKolmogorov, chooseField<ID_FIELD_KOLMOGOROV>, idle,
     nullptr},
    // Forcing and drag.
    {ID_CALC_FORCING_NONE, texts::ItemForcingNone, texts::PromptForcingNone, chooseForcing<ForcingKind::none>,
     nullptr, forcingIs<ForcingKind::none>},
    {ID_CALC_FORCING_STRIPES, texts::ItemForcingStripes, texts::PromptForcingStripes,
     chooseForcing<ForcingKind::stripes>, nullptr, forcingIs<ForcingKind::stripes>},
    {ID_CALC_FORCING_RING, texts::ItemForcingRing, texts::PromptForcingRing, chooseForcing<ForcingKind::ring>,
     nullptr, forcingIs<ForcingKind::ring>},
    {ID_CALC_DRAG, texts::ItemDrag, texts::PromptDrag, toggleDrag, nullptr, dragOn},
    // The grid.
    {ID_CALC_GRID_64, texts::ItemGrid64, texts::PromptGridCoarse, chooseGrid<64>, idle, gridIs<64>},
    {ID_CALC_GRID_128, texts::ItemGrid128, texts::PromptGridDefault, chooseGrid<128>, idle, gridIs<128>},
    {ID_CALC_GRID_256, texts::ItemGrid256, texts::PromptGridFine, chooseGrid<256>, idle, gridIs<256>},
    {ID_CALC_GRID_512, texts::ItemGrid512, texts::PromptGridFinest, chooseGrid<512>, idle, gridIs<512>},
    // The small-scale filter.
    {ID_CALC_FILTER, texts::ItemFilter, texts::PromptFilter,
     [](CMainFrame& frame) { frame.view().setFilter(!frame.view().filterOn()); }, nullptr,
     [](const CMainFrame& frame) { return frame.view().filterOn(); }},
    // Live plots.
    {ID_VIEW_PLOTS, texts::ItemPlots, texts::PromptPlots,
     [](CMainFrame& frame) { frame.plots().setVisible(!frame.plots().isVisible()); }, nullptr,
     [](const CMainFrame& frame) { return frame.plots().isVisible(); }},
    {ID_FILE_SAVE_PLOT_DATA, texts::ItemSavePlotData, texts::PromptSavePlotData,
     savePlotData, idle, nullptr},
    // The hand on the flow.
    {ID_VIEW_DYE, texts::ItemDye, texts::PromptDye, chooseDisplay<DisplayMode::dye>, nullptr,
     displayIs<DisplayMode::dye>},
    {ID_CALC_STIR, texts::ItemStir, texts::PromptStir,
     [](CMainFrame& frame) { frame.view().setStirring(!frame.view().stirringOn()); }, nullptr,
     [](const CMainFrame& frame) { return frame.view().stirringOn(); }},
    // Saved runs.
    {ID_FILE_LOAD_STATE, texts::ItemLoadState, texts::PromptLoadState,
     openStateFile, idle, nullptr},
    {ID_FILE_SAVE_STATE, texts::ItemSaveState, texts::PromptSaveState,
     saveStateFile, idle, nullptr},
};

constexpr MenuEntry BuiltInFieldItems[]{
    menuCommand(ID_FIELD_DEFAULT),     menuCommand(ID_FIELD_TAYLOR_GREEN),      menuCommand(ID_FIELD_VORTEX_PAIR),
    menuCommand(ID_FIELD_SHEAR_LAYER), menuCommand(ID_FIELD_RANDOM_TURBULENCE), menuCommand(ID_FIELD_FORCED_TURBULENCE),
    menuCommand(ID_FIELD_KOLMOGOROV),
};
constexpr MenuEntry ForcingItems[]{
    menuCommand(ID_CALC_FORCING_NONE),
    menuCommand(ID_CALC_FORCING_STRIPES),
    menuCommand(ID_CALC_FORCING_RING),
};
constexpr MenuEntry GridItems[]{
    menuCommand(ID_CALC_GRID_64),
    menuCommand(ID_CALC_GRID_128),
    menuCommand(ID_CALC_GRID_256),
    menuCommand(ID_CALC_GRID_512),
};
constexpr MenuEntry PaceItems[]{
    menuCommand(ID_PACE_0_1), menuCommand(ID_PACE_0_5), menuCommand(ID_PACE_2),
    menuCommand(ID_PACE_10),  menuCommand(ID_PACE_MAX),
};

// Each drop-down keeps its established items at the top; what was added follows below a
// separator (in the File menu, before the exit item).
constexpr MenuEntry FileItems[]{
    menuCommand(ID_LOAD_INITIAL_VORTICITY),
    menuSeparator(),
    submenu(texts::MenuBuiltInFields, texts::PromptBuiltInFields, BuiltInFieldItems),
    menuCommand(ID_FILE_LOAD_STATE),
    menuCommand(ID_FILE_SAVE_STATE),
    menuCommand(ID_FILE_SAVE_PLOT_DATA),
    menuSeparator(),
    menuCommand(ID_FILE_SAVE_PICTURE),
    menuCommand(ID_FILE_RECORD_FRAMES),
    menuSeparator(),
    menuCommand(ID_FILE_RECORD_MOVIE),
    menuSeparator(),
    menuCommand(ID_APP_EXIT),
};
constexpr MenuEntry CalculationItems[]{
    menuCommand(ID_CALC_START), menuCommand(ID_CALC_STOP),  menuCommand(ID_RE_100),
    menuCommand(ID_RE_1000),    menuCommand(ID_RE_10000),   menuSeparator(),
    menuCommand(ID_CALC_STEP),  menuCommand(ID_CALC_RESET), submenu(texts::MenuPace, texts::PromptPace, PaceItems),
    menuSeparator(),
    menuCommand(ID_CALC_FILTER),
    menuSeparator(),
    submenu(texts::MenuForcing, texts::PromptForcing, ForcingItems),
    menuCommand(ID_CALC_DRAG),
    submenu(texts::MenuGrid, texts::PromptGrid, GridItems),
    menuSeparator(),
    menuCommand(ID_CALC_STIR),
};
constexpr MenuEntry ZoomItems[]{menuCommand(ID_ZOOM_2), menuCommand(ID_ZOOM_3), menuCommand(ID_ZOOM_4),
                                menuCommand(ID_ZOOM_FIT)};
constexpr MenuEntry ColourItems[]{menuCommand(ID_VIEW_COLOURS_CLASSIC), menuCommand(ID_VIEW_COLOURS_DIVERGING),
                                  menuCommand(ID_VIEW_COLOURS_SEQUENTIAL)};
constexpr MenuEntry DisplayItems[]{
    menuCommand(ID_VIEW_VORTICITY),
    menuCommand(ID_VIEW_SPEED2),
    menuSeparator(),
    menuCommand(ID_VIEW_AUTO_RANGE),
    menuCommand(ID_VIEW_LEGEND),
    submenu(texts::MenuZoom, texts::PromptZoom, ZoomItems),
    menuCommand(ID_VIEW_PLOTS),
    menuSeparator(),
    menuCommand(ID_VIEW_DYE),
    submenu(texts::MenuColours, texts::PromptColours, ColourItems),
};
constexpr MenuEntry HelpItems[]{menuCommand(ID_APP_ABOUT)};

// The drop-downs' titles carry no prompt: the pane goes blank while one is highlighted.
constexpr MenuEntry Menus[]{
    submenu(texts::MenuFile, {}, FileItems),
    submenu(texts::MenuCalculation, {}, CalculationItems),
    submenu(texts::MenuDisplay, {}, DisplayItems),
    submenu(texts::MenuHelp, {}, HelpItems),
};

// clang-format on

constexpr int ReynoldsChoiceIds[]{ID_RE_100, ID_RE_1000, ID_RE_10000};
constexpr int DisplayChoiceIds[]{ID_VIEW_VORTICITY, ID_VIEW_SPEED2, ID_VIEW_DYE};
constexpr int PaceChoiceIds[]{ID_PACE_0_1, ID_PACE_0_5, ID_PACE_2, ID_PACE_10, ID_PACE_MAX};
constexpr int ZoomChoiceIds[]{ID_ZOOM_2, ID_ZOOM_3, ID_ZOOM_4, ID_ZOOM_FIT};
constexpr int ForcingChoiceIds[]{ID_CALC_FORCING_NONE, ID_CALC_FORCING_STRIPES, ID_CALC_FORCING_RING};
constexpr int GridChoiceIds[]{ID_CALC_GRID_64, ID_CALC_GRID_128, ID_CALC_GRID_256, ID_CALC_GRID_512};
constexpr int ColourChoiceIds[]{ID_VIEW_COLOURS_CLASSIC, ID_VIEW_COLOURS_DIVERGING, ID_VIEW_COLOURS_SEQUENTIAL};
constexpr std::span<const int> ExclusiveChoices[]{ReynoldsChoiceIds, DisplayChoiceIds, PaceChoiceIds,  ZoomChoiceIds,
                                                  ForcingChoiceIds,  GridChoiceIds,    ColourChoiceIds};

}  // namespace

std::span<const CommandEntry> commandTable() { return Commands; }

std::span<const std::span<const int>> exclusiveChoices() { return ExclusiveChoices; }

const CommandEntry* findCommand(int id) {
    const auto found = std::ranges::find_if(Commands, [id](const CommandEntry& entry) { return entry.id == id; });
    return found == std::ranges::end(Commands) ? nullptr : &*found;
}

bool commandEnabled(const CommandEntry& command, const CMainFrame& frame) {
    return command.enabled == nullptr || command.enabled(frame);
}

bool runIfEnabled(const CommandEntry& command, CMainFrame& frame) {
    if (!commandEnabled(command, frame)) {
        return false;
    }
    command.handler(frame);
    return true;
}

std::span<const MenuEntry> menuLayout() { return Menus; }

}  // namespace swirlon
