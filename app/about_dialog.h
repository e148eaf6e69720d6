// SPDX-License-Identifier: GPL-3.0-or-later
// The version box of the Help menu.
#pragma once

#include <QDialog>

namespace swirlon {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Shows the box modally and returns when it is closed (OK, Escape or the close box).
    static void showModal(QWidget* parent);
};

}  // namespace swirlon
