// SPDX-License-Identifier: GPL-3.0-or-later
// The toggle state of the lock keys, read from the X server's keyboard indicators.
#pragma once

#include <array>
#include <cstddef>

namespace swirlon {

// In the order of the status bar's key panes.
enum class LockKey : int { kana = 0, caps, num, scroll };
inline constexpr std::size_t LockKeyCount = 4;

class LockKeyIndicators {
  public:
    // Looks the indicators up once; without an X11 connection (offscreen, Wayland) nothing is
    // available and every key reads as off.
    LockKeyIndicators();

    bool available() const { return display != nullptr; }
    std::array<bool, LockKeyCount> read() const;

  private:
    // The X11 Display, kept opaque here so that Xlib's macros stay out of the Qt code.
    void* display = nullptr;
    std::array<unsigned long, LockKeyCount> indicatorAtoms{};
};

}  // namespace swirlon
