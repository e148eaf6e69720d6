// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <optional>

#include "app/command_line.h"
#include "app/flow_app.h"

int main(int argc, char** argv) {
    // Before the application object, which needs a display.
    if (const std::optional<int> answered = swirlon::answerWithoutDisplay(argc, argv, std::cout)) {
        return *answered;
    }
    swirlon::FlowApp app(argc, argv);
    return app.run();
}
