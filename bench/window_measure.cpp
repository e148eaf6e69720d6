// SPDX-License-Identifier: GPL-3.0-or-later
// swirlon-measure: the window as a user runs it, measured (see bench/measure_options.h). Not
// part of the product; run it on an otherwise idle machine, under a display server or offscreen.
#include <QCommandLineParser>
#include <QTextStream>

#include "app/flow_app.h"
#include "app/main_frame.h"
#include "bench/measure_options.h"

int main(int argc, char** argv) {
    swirlon::FlowApp app(argc, argv);
    // The window's view settings of measuring runs stay apart from the user's.
    app.setOrganizationName(QStringLiteral("swirlon-measure"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the Swirlon window's run loop."));
    parser.addHelpOption();
    const swirlon::MeasureOptions measures(parser);
    parser.process(app);
    if (!measures.valid(parser)) {
        QTextStream(stderr) << parser.helpText();
        return 2;
    }
    app.initInstance();
    measures.schedule(parser, *app.mainFrame(), app);
    return app.exec();
}
