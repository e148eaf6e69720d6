// SPDX-License-Identifier: GPL-3.0-or-later
// Command identifiers of the menu. The numbers are the program's established ids; the shell
// looks every command up by them in one table (commands.h).
#pragma once

namespace swirlon {

inline constexpr int ID_CALC_START = 32781;
inline constexpr int ID_CALC_STOP = 32784;
inline constexpr int ID_LOAD_INITIAL_VORTICITY = 32794;
inline constexpr int ID_RE_100 = 32795;
inline constexpr int ID_RE_1000 = 32796;
inline constexpr int ID_RE_10000 = 32797;
inline constexpr int ID_VIEW_VORTICITY = 32798;
inline constexpr int ID_VIEW_SPEED2 = 32799;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

// Picture commands added below the established ones.
inline constexpr int ID_VIEW_AUTO_RANGE = 32900;
inline constexpr int ID_VIEW_LEGEND = 32901;
inline constexpr int ID_FILE_SAVE_PICTURE = 32902;
inline constexpr int ID_FILE_RECORD_FRAMES = 32903;
inline constexpr int ID_ZOOM_2 = 32904;
inline constexpr int ID_ZOOM_3 = 32905;
inline constexpr int ID_ZOOM_4 = 32906;
inline constexpr int ID_ZOOM_FIT = 32907;
inline constexpr int ID_FILE_RECORD_MOVIE = 32908;
// The colour maps of the Display menu.
inline constexpr int ID_VIEW_COLOURS_CLASSIC = 32910;
inline constexpr int ID_VIEW_COLOURS_DIVERGING = 32911;
inline constexpr int ID_VIEW_COLOURS_SEQUENTIAL = 32912;

// Watching a run: single frames, reset, pace and the built-in fields (a range of their own).
inline constexpr int ID_CALC_STEP = 33000;
inline constexpr int ID_CALC_RESET = 33001;
inline constexpr int ID_PACE_0_1 = 33002;
inline constexpr int ID_PACE_0_5 = 33003;
inline constexpr int ID_PACE_2 = 33004;
inline constexpr int ID_PACE_10 = 33005;
inline constexpr int ID_PACE_MAX = 33006;
inline constexpr int ID_FIELD_DEFAULT = 33010;
inline constexpr int ID_FIELD_TAYLOR_GREEN = 33011;
inline constexpr int ID_FIELD_VORTEX_PAIR = 33012;
inline constexpr int ID_FIELD_SHEAR_LAYER = 33013;
inline constexpr int ID_FIELD_RANDOM_TURBULENCE = 33014;
inline constexpr int ID_FIELD_FORCED_TURBULENCE = 33015;
inline constexpr int ID_FIELD_KOLMOGOROV = 33016;
// Live plots and their data.
inline constexpr int ID_VIEW_PLOTS = 33020;
inline constexpr int ID_FILE_SAVE_PLOT_DATA = 33021;

// The small-scale filter (a range of its own).
inline constexpr int ID_CALC_FILTER = 33100;

// Saved runs, shared with the batch tool (a range of their own).
inline constexpr int ID_FILE_LOAD_STATE = 33110;
inline constexpr int ID_FILE_SAVE_STATE = 33111;

// Forcing and large-scale drag (a range of their own).
inline constexpr int ID_CALC_FORCING_NONE = 33120;
inline constexpr int ID_CALC_FORCING_STRIPES = 33121;
inline constexpr int ID_CALC_FORCING_RING = 33122;
inline constexpr int ID_CALC_DRAG = 33123;
inline constexpr int ID_CALC_GRID_64 = 33130;
inline constexpr int ID_CALC_GRID_128 = 33131;
inline constexpr int ID_CALC_GRID_256 = 33132;
inline constexpr int ID_CALC_GRID_512 = 33133;

// The hand on the flow: stirring with the mouse and the dye picture (a range of their own).
inline constexpr int ID_CALC_STIR = 33140;
inline constexpr int ID_VIEW_DYE = 33141;

}  // namespace swirlon
