// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_app.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/texts.h"
#include "swirlon_version.h"

// The icons are compiled into a static library, whose resource registration no object refers
// to; it must be pulled in by name, and the macro works only outside any namespace.
static void registerIconResources() { Q_INIT_RESOURCE(swirlon); }

namespace swirlon {
namespace {

constexpr int ExitUsage = 2;
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
    QCommandLineParser parser;
    parser.setApplicationDescription(texts::CliDescription.toString());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(texts::CliFileArgument.toString(), texts::CliFileHelp.toString(),
                                 texts::CliFileSyntax.toString());
    parser.process(*this);

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        QTextStream(stderr) << parser.helpText();
        return ExitUsage;
    }

    initInstance();
    if (!files.isEmpty()) {
        // Once the window is up, so that a failure's message box has it as its owner.
        QTimer::singleShot(0, frame.get(), [this, path = files.front()] { frame->view().loadFile(path); });
    }
    return exec();
}

}  // namespace swirlon
