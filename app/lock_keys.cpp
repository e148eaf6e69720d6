// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lock_keys.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

// Xlib defines macros (Bool, Status, None, ...) that collide with Qt's names, so it comes last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace swirlon {
namespace {

// The names under which the X keyboard extension publishes the lock indicators, in LockKey order.
constexpr std::array<const char*, LockKeyCount> IndicatorNames{"Kana", "Caps Lock", "Num Lock", "Scroll Lock"};

}  // namespace

LockKeyIndicators::LockKeyIndicators() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->display() == nullptr) {
        return;
    }
    Display* connection = x11->display();
    for (std::size_t key = 0; key < LockKeyCount; ++key) {
        indicatorAtoms[key] = XInternAtom(connection, IndicatorNames[key], True);
    }
    display = connection;
}

std::array<bool, LockKeyCount> LockKeyIndicators::read() const {
    std::array<bool, LockKeyCount> on{};
    if (display == nullptr) {
        return on;
    }
    auto* connection = static_cast<Display*>(display);
    for (std::size_t key = 0; key < LockKeyCount; ++key) {
        // An atom the server never interned names no indicator: that key reads as off.
        if (indicatorAtoms[key] == 0) {
            continue;
        }
        int state = 0;
        if (XkbGetNamedIndicator(connection, indicatorAtoms[key], nullptr, &state, nullptr, nullptr) != 0) {
            on[key] = state != 0;
        }
    }
    return on;
}

}  // namespace swirlon
