// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of swirlon-measure, which measures the window instead of letting a user work
// in it:
//   --measure-frame-rate SECONDS  the run loop's frames/s beside the solver's alone;
//   --measure-pace SECONDS        each pace of the menu: simulated time per second, processor share;
//   --measure-memory FRAMES       resident memory as a run reaches 10^3, 10^4, ... FRAMES frames;
//   --measure-stroke-latency MOVES  at each grid, vorticity and dye shown, a running window's time
//                                 from a drag's move to the paint that shows the stroke;
//   --with-plots                  the plots dock is shown while measuring;
//   --with-dye                    the dye is shown (and carried) while measuring;
//   --grid N                      the run is moved to the N x N grid first (the 格子 menu's command);
//   --record-movie FILE           a movie of the window is recorded while measuring; the frames
//                                 it took and skipped are printed at the end.
// Each prints its figures on standard output and ends the program.
#pragma once

#include <QCommandLineOption>

class QCommandLineParser;
class QCoreApplication;

namespace swirlon {

class CMainFrame;

class MeasureOptions {
  public:
    // Adds the options to parser.
    explicit MeasureOptions(QCommandLineParser& parser);

    // After parsing: whether every value given is a number of the right kind.
    bool valid(const QCommandLineParser& parser) const;
    // Starts the measurements asked for once the event loop runs; they quit app when done.
    void schedule(const QCommandLineParser& parser, CMainFrame& frame, QCoreApplication& app) const;

  private:
    QCommandLineOption frameRate_;
    QCommandLineOption pace_;
    QCommandLineOption memory_;
    QCommandLineOption strokeLatency_;
    QCommandLineOption withPlots_;
    QCommandLineOption withDye_;
    QCommandLineOption grid_;
    QCommandLineOption movie_;
};

}  // namespace swirlon
