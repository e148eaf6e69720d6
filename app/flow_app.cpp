// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_app.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <iostream>

#include "app/command_line.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/texts.h"
#include "swirlon_version.h"

// The icons are compiled into a static library, whose resource registration no object refers
// to; it must be pulled in by name, and the macro works only outside any namespace.
static void registerIconResources() { Q_INIT_RESOURCE(swirlon); }

namespace swirlon {
namespace {

// Qt's translation files are named qtbase_<language>.qm.
const QString QtTranslationsName = QStringLiteral("qtbase");
const QString QtTranslationsPrefix = QStringLiteral("_");

}  // namespace

int& FlowApp::prepareDisplay(int& argc) {
    // Whole-number scale factors keep every 3x3 block of the picture the same size on screen.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    return argc;
}

FlowApp::FlowApp(int& argc, char** argv) : QApplication(prepareDisplay(argc), argv) {
    setApplicationName(texts::AppName.toString());
    setOrganizationName(texts::OrganisationName.toString());
    setApplicationVersion(QString::fromLatin1(SwirlonVersion));
    setDesktopFileName(texts::DesktopName.toString());
    registerIconResources();
    // Qt's own dialogs (file chooser, box buttons) speak the window's language. Without the
    // translations installed they stay English, and nothing else changes.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QtTranslationsName, QtTranslationsPrefix,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
    }
}

FlowApp::~FlowApp() = default;

void FlowApp::initInstance() {
    frame = std::make_unique<CMainFrame>();
    frame->show();
}

int FlowApp::run() {
    // Help and the version were answered before the application object was made; what is left
    // is at most one file and no option of the window's own.
    QStringList files = arguments().mid(1);
    if (!files.isEmpty() && files.front() == QStringLiteral("--")) {
        files.removeFirst();
    } else if (std::ranges::any_of(files, [](const QString& argument) { return argument.startsWith(u'-'); })) {
        files.clear();
        files << QString() << QString();
    }
    if (files.size() > 1) {
        std::cerr << windowUsage();
        return ExitUsage;
    }

    initInstance();
    if (!files.isEmpty()) {
        // Once the window is up, so that a failure's message box has it as its owner.
        QTimer::singleShot(0, frame.get(), [this, path = files.front()] { frame->view().openNamedFile(path); });
    }
    return exec();
}

}  // namespace swirlon
