// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of swirlon-measure, which measures the window instead of letting a user work
// in it:
//   --measure-frame-rate SECONDS  the run loop's frames/s beside the solver's alone;
//   --measure-pace SECONDS        each pace of the menu: simulated time per second, processor share;
//   --measure-memory FRAMES       resident memory as a run reaches 10^3, 10^4, ... FRAMES frames;
//   --with-plots                  the plots dock is shown while measuring;
//   --grid N                      the run is moved to the N x N grid first (the 格子 menu's command).
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
    QCommandLineOption withPlots_;
    QCommandLineOption grid_;
};

}  // namespace swirlon
