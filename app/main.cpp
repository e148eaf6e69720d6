// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_app.h"

int main(int argc, char** argv) {
    swirlon::FlowApp app(argc, argv);
    return app.run();
}
