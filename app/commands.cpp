// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commands.h"

#include <algorithm>
#include <array>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/texts.h"

namespace swirlon {
namespace {

bool idle(const FlowView& view) { return !view.isRunning(); }
bool running(const FlowView& view) { return view.isRunning(); }

template <int Reynolds>
bool reynoldsIs(const FlowView& view) {
    return view.reynoldsNumber() == Reynolds;
}

template <DisplayMode Mode>
bool displayIs(const FlowView& view) {
    return view.pictureMode() == Mode;
}

template <int Reynolds>
void chooseReynolds(CMainFrame& frame) {
    frame.view().setReynolds(Reynolds);
}

template <DisplayMode Mode>
void chooseDisplay(CMainFrame& frame) {
    frame.view().setDisplayMode(Mode);
}

bool autoRangeOn(const FlowView& view) { return view.autoRangeOn(); }
bool legendShown(const FlowView& view) { return view.legendShown(); }

const std::array<CommandEntry, 12> Commands{{
    {ID_LOAD_INITIAL_VORTICITY, texts::ItemLoad, {},
     [](CMainFrame& frame) { frame.view().loadInitialVorticity(); }, idle, nullptr},
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
}};

constexpr std::array FileItems{ID_LOAD_INITIAL_VORTICITY, ID_APP_EXIT};
constexpr std::array CalculationItems{ID_CALC_START, ID_CALC_STOP, ID_RE_100, ID_RE_1000, ID_RE_10000};
constexpr std::array DisplayItems{ID_VIEW_VORTICITY, ID_VIEW_SPEED2, MenuSeparator, ID_VIEW_AUTO_RANGE,
                                  ID_VIEW_LEGEND};
constexpr std::array HelpItems{ID_APP_ABOUT};

const std::array<MenuEntry, 4> Menus{{
    {texts::MenuFile, FileItems},
    {texts::MenuCalculation, CalculationItems},
    {texts::MenuDisplay, DisplayItems},
    {texts::MenuHelp, HelpItems},
}};

}  // namespace

std::span<const CommandEntry> commandTable() { return Commands; }

const CommandEntry* findCommand(int id) {
    const auto found = std::find_if(Commands.begin(), Commands.end(), [id](const CommandEntry& entry) {
        return entry.id == id;
    });
    return found == Commands.end() ? nullptr : &*found;
}

bool runIfEnabled(const CommandEntry& command, CMainFrame& frame) {
    if (command.enabled != nullptr && !command.enabled(frame.view())) {
        return false;
    }
    command.handler(frame);
    return true;
}

std::span<const MenuEntry> menuLayout() { return Menus; }

}  // namespace swirlon
