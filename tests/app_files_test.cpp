// SPDX-License-Identifier: GPL-3.0-or-later
// Files the window writes and reads besides its load command: the picture saved as shown, the
// frames recorded as pictures are drawn, saved runs, files dropped on the view, and Qt's own
// dialogs.
#include <QAction>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "app/command_ids.h"
#include "app/status_panes.h"
#include "field_io/bmp_loader.h"
#include "field_io/frame_files.h"
#include "field_io/presets.h"
#include "tests/app_test_support.h"
#include "tests/bmp_files.h"
#include "tests/movie_probe.h"
#include "tools/batch_run.h"

using namespace swirlon;
namespace fs = std::filesystem;
namespace files = swirlon::testing;

namespace {

std::vector<char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QImage shownAsRgb(FlowView& view) { return view.currentPicture().convertToFormat(QImage::Format_RGB888); }

// Delivers a drag over the view and a drop of urls on it, as the window system does; returns
// whether the view accepted them.
bool dropOnView(FlowView& view, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    QCoreApplication::processEvents();
    return enter.isAccepted() && drop.isAccepted();
}

// A batch run to its end (from the start-up field unless options say otherwise), its final
// state saved to savePath.
void runBatchSaving(batch::BatchOptions options, const std::string& savePath) {
    options.quiet = true;
    options.saveStatePath = savePath;
    std::ostringstream errors;
    ASSERT_EQ(batch::runBatch(options, errors, false), batch::ExitSuccess) << errors.str();
}

// The window's dialogs answer with whatever path target holds; its messages go to messages.
void answerWith(CMainFrame& frame, const std::string& target, QStringList& messages) {
    frame.setPathChooser([&target](QWidget*, PathKind) { return std::optional(QString::fromStdString(target)); });
    frame.setMessageReporter([&messages](QWidget*, const QString& message) { messages << message; });
}

std::pair<int, bool> settingsOf(const FlowView& view) { return {view.reynoldsNumber(), view.filterOn()}; }

constexpr long long FramesBefore = 3;
constexpr long long FramesAfter = 2;

}  // namespace

TEST(SavePicture, AtThreeTimesWithFixedColoursItIsTheBatchFrameOfTheStateAndOtherwiseAsShown) {
    apptest::Window window;
    files::TempDir dir;
    QString target;
    window.frame().setPathChooser([&](QWidget*, PathKind kind) {
        EXPECT_EQ(kind, PathKind::savePicture);
        return std::optional(target);
    });
    target = QString::fromStdString(dir.pathOf("shown.png"));
    window.frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    batch::BatchOptions batchRun;
    batchRun.steps = 0;
    batchRun.quiet = true;
    batchRun.framesFolder = dir.pathOf("frames");
    std::ostringstream errors;
    ASSERT_EQ(batch::runBatch(batchRun, errors, false), batch::ExitSuccess) << errors.str();
    EXPECT_EQ(readAll(dir.pathOf("shown.png")), readAll(dir.pathOf("frames/frame-000000.png")));

    window.frame().action(ID_VIEW_AUTO_RANGE)->trigger();
    window.view().setZoom(PictureZoom::times2);
    target = QString::fromStdString(dir.pathOf("zoomed.png"));
    window.frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    const QImage saved(target);
    EXPECT_EQ(saved.size(), QSize(256, 256));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB888), shownAsRgb(window.view()));
}

TEST(RecordFrames, EveryDrawnPictureIsWrittenAfterEarlierFramesAndAFailedWriteStopsOnlyTheRecording) {
    apptest::Window window;
    FlowView& view = window.view();
    files::TempDir dir;
    const fs::path folder = dir.path() / "movie";
    fs::create_directory(folder);
    std::ofstream(folder / "frame-000007.png") << "an earlier recording";
    window.frame().setPathChooser(
        [&](QWidget*, PathKind) { return std::optional(QString::fromStdString(folder.string())); });
    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    window.frame().action(ID_FILE_RECORD_FRAMES)->trigger();
    EXPECT_TRUE(window.frame().action(ID_FILE_RECORD_FRAMES)->isChecked());

    EXPECT_EQ(apptest::runFrames(window.frame(), 3), 3);
    const QImage last = shownAsRgb(view);
    const long long written = view.recorder().framesWritten();
    EXPECT_GE(written, 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), written + 1);
    const QImage lastWritten(QString::fromStdString((folder / frameFileName(7 + written)).string()));
    EXPECT_EQ(lastWritten.convertToFormat(QImage::Format_RGB888), last);
    const auto pane = window.frame().statusBar()->findChildren<QLabel*>();
    EXPECT_TRUE(std::ranges::any_of(pane, [&](QLabel* label) {
        return label->isVisible() && label->text() == QStringLiteral("記録中: %1 コマ").arg(written);
    }));

    fs::remove_all(folder);
    EXPECT_EQ(apptest::runFrames(window.frame(), 3), 3);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("書き込みに失敗しました")));
    EXPECT_FALSE(view.recorder().active());
    EXPECT_FALSE(window.frame().action(ID_FILE_RECORD_FRAMES)->isChecked());

    // A second recording counts its own frames from none, and its end is confirmed.
    fs::create_directory(folder);
    window.frame().action(ID_FILE_RECORD_FRAMES)->trigger();
    EXPECT_EQ(view.recorder().framesWritten(), 0);
    window.frame().action(ID_CALC_STEP)->trigger();
    view.grab();
    EXPECT_EQ(view.recorder().framesWritten(), 1);
    window.frame().action(ID_FILE_RECORD_FRAMES)->trigger();
    EXPECT_EQ(window.frame().messagePaneText(),
              QStringLiteral("コマの記録を終えました: %1 に 1 コマ").arg(QString::fromStdString(folder.string())));
}

// A movie of the window starts with the picture on screen and takes every picture drawn after it
// until unchecked (or skips one while the encoder is behind, and says so); the file then holds
// each frame taken. A name no movie can have is refused and nothing starts.
TEST(RecordMovie, TheMovieHoldsEveryPictureTakenAndABadNameStartsNothing) {
    apptest::Window window;
    FlowView& view = window.view();
    files::TempDir dir;
    QString chosen = QString::fromStdString(dir.pathOf("run.avi"));
    window.frame().setPathChooser([&](QWidget*, PathKind kind) {
        EXPECT_EQ(kind, PathKind::recordMovie);
        return std::optional(chosen);
    });
    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    QAction& record = *window.frame().action(ID_FILE_RECORD_MOVIE);
    record.trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("動画として書けません")));
    EXPECT_FALSE(record.isChecked());

    chosen = QString::fromStdString(dir.pathOf("run.gif"));
    record.trigger();
    EXPECT_TRUE(record.isChecked());
    constexpr int Steps = 3;
    for (int step = 0; step < Steps; ++step) {
        window.frame().action(ID_CALC_STEP)->trigger();
        view.grab();
    }
    EXPECT_EQ(apptest::runFrames(window.frame(), 5), 5);
    const MovieRecorder& recorder = view.movieRecorder();
    const long long taken = recorder.framesTaken();
    const long long skipped = recorder.framesSkipped();
    EXPECT_GE(taken + skipped, 1 + Steps);
    const auto panes = window.frame().statusBar()->findChildren<QLabel*>();
    EXPECT_TRUE(std::ranges::any_of(panes, [&](QLabel* label) {
        return label->isVisible() && label->text().startsWith(QStringLiteral("録画中: %1 コマ").arg(taken));
    }));
    record.trigger();
    EXPECT_FALSE(record.isChecked());
    EXPECT_TRUE(window.frame().messagePaneText().startsWith(
        QStringLiteral("動画の記録を終えました: %1 に %2 コマ").arg(chosen).arg(taken)));
    const files::DecodedMovie movie = files::decodeMovie(dir.pathOf("run.gif"));
    EXPECT_TRUE(movie.readable);
    EXPECT_EQ(movie.frames, taken);
    EXPECT_EQ(QSize(movie.width, movie.height), view.shownImage().size());
    EXPECT_EQ(messages.size(), 1);
}

TEST(DropFile, OneFileDroppedWhileIdleLoadsAsTheLoadCommandOrAsASavedRunAndDuringARunNothingIsTaken) {
    files::TempDir dir;
    files::BmpPicture picture(40, 40, {.blue = 200, .green = 20, .red = 0});
    picture.at(5, 5) = {.blue = 0, .green = 100, .red = 255};
    const std::string bmp = dir.write("spot.bmp", files::encodeBmp(picture));
    auto vorticity = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_EQ(loadVorticityBmp(bmp, *vorticity), std::nullopt);
    Simulation expected(ReynoldsMedium);
    expected.setStateFromVorticity(*vorticity);
    const QString png = QString::fromStdString(dir.pathOf("spot.png"));
    ASSERT_TRUE(QImage(QString::fromStdString(bmp)).save(png));

    apptest::Window window;
    FlowView& view = window.view();
    const QUrl file = QUrl::fromLocalFile(png);
    EXPECT_FALSE(dropOnView(view, {file, file}));
    EXPECT_FALSE(dropOnView(view, {QUrl(QStringLiteral("https://example.org/spot.png"))}));
    bool droppedDuringRun = true;
    QString paneDuringRun;
    apptest::atFrame(view, 1, [&] {
        droppedDuringRun = dropOnView(view, {file});
        paneDuringRun = window.frame().messagePaneText();
    });
    EXPECT_EQ(apptest::runFrames(window.frame(), 2), 2);
    QCoreApplication::processEvents();
    EXPECT_FALSE(droppedDuringRun);
    EXPECT_EQ(paneDuringRun, QStringLiteral("計算中は使えません。中断してから選んでください"));
    EXPECT_EQ(view.simulation().framesDone(), 2);
    EXPECT_TRUE(dropOnView(view, {file}));
    EXPECT_TRUE(apptest::samePsi(view.simulation().psi(), expected.psi()));

    // A saved run dropped on the window is loaded as a state, its clock included.
    batch::BatchOptions saved;
    saved.steps = 3;
    runBatchSaving(saved, dir.pathOf("run.NPZ"));
    EXPECT_TRUE(dropOnView(view, {QUrl::fromLocalFile(QString::fromStdString(dir.pathOf("run.NPZ")))}));
    EXPECT_EQ(view.simulation().framesDone(), saved.steps);
}

// Help and the version need no display; a saved run named on the command line goes on as a
// state, and a PNG named .bmp loads as the picture it is.
TEST(CommandLine, HelpAndVersionWorkWithoutADisplayAndAFileArgumentLoadsByNameAndContent) {
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        bare.remove(QString::fromLatin1(variable));
    }
    const std::pair<const char*, const char*> answers[]{
        {"--help", "Usage: swirlon [options] [FILE]"}, {"-h", ".npz"}, {"--version", "swirlon 1."}};
    for (const auto& [option, expected] : answers) {
        QProcess window;
        window.setProcessEnvironment(bare);
        window.start(QStringLiteral(SWIRLON_WINDOW_EXECUTABLE), {QString::fromLatin1(option)});
        ASSERT_TRUE(window.waitForFinished(apptest::WatchdogMs)) << option;
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(window.exitCode(), 0) << option;
        EXPECT_TRUE(window.readAllStandardOutput().contains(expected)) << option;
    }

    files::TempDir dir;
    batch::BatchOptions saved;
    saved.steps = 2;
    for (const char* name : {"run.npz", "run.npy"}) {
        runBatchSaving(saved, dir.pathOf(name));
        apptest::Window window;
        EXPECT_TRUE(window.view().openNamedFile(QString::fromStdString(dir.pathOf(name)))) << name;
        EXPECT_EQ(window.view().simulation().framesDone(), std::string(name) == "run.npz" ? 2 : 0) << name;
    }
    files::BmpPicture picture(8, 8, {.blue = 200, .green = 20, .red = 0});
    const std::string bmp = dir.write("spot.bmp", files::encodeBmp(picture));
    const QString pngNamedBmp = QString::fromStdString(dir.pathOf("png.bmp"));
    ASSERT_TRUE(QImage(QString::fromStdString(bmp)).save(pngNamedBmp, "png"));
    apptest::Window window;
    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    EXPECT_TRUE(window.view().openNamedFile(pngNamedBmp));
    EXPECT_TRUE(messages.isEmpty());
}

TEST(FileDialogs, InJapaneseTheLoadDialogAddsAllReadablePicturesAndEachOpensInTheLastFolder) {
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));

    files::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QString picture = QString::fromStdString(dir.pathOf("plain.png"));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(picture);
    apptest::Window window;
    apptest::whenModal<QFileDialog>([&](QFileDialog& dialog) {
        const QStringList filters = dialog.nameFilters();
        ASSERT_EQ(filters.size(), 3);
        const QStringList established{QStringLiteral("24bit BMPファイル(*.bmp)"),
                                      QStringLiteral("全てのファイル(*.*)")};
        EXPECT_EQ(filters.mid(0, 2), established);
        for (const char* pattern : {"*.png", "*.jpg", "*.gif", "*.tiff"}) {
            EXPECT_TRUE(filters[2].startsWith(QStringLiteral("画像ファイル(")) &&
                        filters[2].contains(QLatin1String(pattern)));
        }
        dialog.setDirectory(folder);
        dialog.selectFile(picture);
        // Closed as accepted directly: the dialog's own accept checks the file against its
        // folder listing, which it reads in the background and may not have yet.
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);
    });
    window.frame().action(ID_LOAD_INITIAL_VORTICITY)->trigger();
    // One colour everywhere: nothing left once the mean is gone, so the flow is at rest.
    EXPECT_EQ(picturePeak(window.view().simulation(), DisplayMode::speed), 0.0);
    QString opened;
    apptest::whenModal<QFileDialog>([&](QFileDialog& dialog) {
        opened = dialog.directory().absolutePath();
        dialog.reject();
    });
    window.frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    EXPECT_EQ(opened, folder);
}

// Both runs are forced at random with drag, at the strengths the window's menu takes from the
// forced-turbulence preset, so the forcing's random numbers must go on where they stopped too.
TEST(StateFiles, ARunSavedInEitherProgramGoesOnInTheOtherBitForBitWithItsClockAndSettings) {
    const PhysicsParams& forced = findPreset("forced-turbulence")->physics;
    for (const bool windowFirst : {true, false}) {
        files::TempDir dir;
        const std::pair<int, bool> saved{windowFirst ? ReynoldsLow : ReynoldsHigh, windowFirst};
        batch::BatchOptions whole;
        whole.reynolds = saved.first;
        whole.filter = saved.second;
        // The window offers no stability limit of its own: a run saved with another goes on with it.
        whole.stabilityLimit = windowFirst ? std::nullopt : std::optional(1.3);
        whole.terms.forcing = ForcingKind::ring;
        whole.terms.forcingWaveNumber = forced.forcingWaveNumber;
        whole.terms.injectionRate = forced.injectionRate;
        whole.terms.drag = forced.drag;
        whole.steps = FramesBefore + FramesAfter;
        runBatchSaving(whole, dir.pathOf("whole.npz"));

        apptest::Window window;
        FlowView& view = window.view();
        std::string target = dir.pathOf("part.npz");
        QStringList messages;
        answerWith(window.frame(), target, messages);
        if (windowFirst) {
            view.setReynolds(saved.first);
            view.setFilter(saved.second);
            window.frame().action(ID_CALC_FORCING_RING)->trigger();
            window.frame().action(ID_CALC_DRAG)->trigger();
            EXPECT_EQ(apptest::runFrames(window.frame(), FramesBefore), FramesBefore);
            window.frame().action(ID_FILE_SAVE_STATE)->trigger();
            EXPECT_EQ(window.frame().messagePaneText(),
                      QString::fromStdString(target) + QStringLiteral(" に保存しました"));
            batch::BatchOptions rest;
            rest.inputKind = batch::InputKind::state;
            rest.input = target;
            rest.steps = FramesAfter;
            runBatchSaving(rest, dir.pathOf("continued.npz"));
        } else {
            whole.steps = FramesBefore;
            runBatchSaving(whole, target);
            view.setFilter(!saved.second);
            window.frame().action(ID_FILE_LOAD_STATE)->trigger();
            EXPECT_EQ(window.frame().messagePaneText(),
                      QString::fromStdString(target) + QStringLiteral(" を読み込みました"));
            EXPECT_EQ(settingsOf(view), saved);
            EXPECT_EQ(view.simulation().frameSettings().stabilityLimit, 1.3);
            EXPECT_TRUE(window.frame().action(ID_RE_10000)->isChecked());
            const auto loaded = std::make_unique<PackedSpectrum>(view.simulation().psi());
            EXPECT_EQ(apptest::runFrames(window.frame(), FramesAfter), FramesAfter);
            target = dir.pathOf("continued.npz");
            window.frame().action(ID_FILE_SAVE_STATE)->trigger();
            // Back to the loaded state, its clock included.
            window.frame().action(ID_CALC_RESET)->trigger();
            EXPECT_TRUE(apptest::samePsi(view.simulation().psi(), *loaded));
            EXPECT_EQ(window.frame().panes().text(StatusPane::time), QStringLiteral("t = 0.03"));
        }
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_EQ(readAll(dir.pathOf("continued.npz")), readAll(dir.pathOf("whole.npz"))) << windowFirst;
    }
}

TEST(StateFiles, AFileRefusedOrNotWrittenChangesNothingAndAReynoldsNumberOffTheMenuKeepsTheWindows) {
    files::TempDir dir;
    batch::BatchOptions offMenu;
    offMenu.reynolds = 500;
    offMenu.steps = FramesBefore;
    runBatchSaving(offMenu, dir.pathOf("re500.npz"));
    dir.write("picture.npz", files::encodeBmp(files::BmpPicture(8, 8, {.blue = 0, .green = 50, .red = 200})));
    struct Row {
        int command;
        const char* file;
        const char* message;  // without its line breaks
        bool loads;
    };
    for (const Row& row : {Row{ID_FILE_LOAD_STATE, "missing.npz", "のオープンに失敗しました。", false},
                           Row{ID_FILE_LOAD_STATE, "picture.npz", "はSwirlon の状態ファイルでありません。", false},
                           // The system's reason follows a refusal by the system.
                           Row{ID_FILE_SAVE_STATE, "no-folder/state.npz",
                               "の書き込みに失敗しました。理由: No such file or directory", false},
                           Row{ID_FILE_LOAD_STATE, ".", "理由: Is a directory", false},
                           Row{ID_FILE_LOAD_STATE, "re500.npz", "はレイノルズ数 500 で計算された状態です。", true}}) {
        apptest::Window window;
        FlowView& view = window.view();
        const std::string target = dir.pathOf(row.file);
        QStringList messages;
        answerWith(window.frame(), target, messages);
        view.setReynolds(ReynoldsLow);
        view.setFilter(true);
        window.frame().action(ID_CALC_STEP)->trigger();
        const auto field = std::make_unique<PackedSpectrum>(view.simulation().psi());

        window.frame().action(row.command)->trigger();
        ASSERT_EQ(messages.size(), 1) << row.file;
        EXPECT_TRUE(messages.front().remove(u'\n').contains(QString::fromUtf8(row.message))) << row.file;
        EXPECT_EQ(settingsOf(view), std::pair(ReynoldsLow, !row.loads)) << row.file;
        EXPECT_EQ(view.simulation().framesDone(), row.loads ? FramesBefore : 1) << row.file;
        EXPECT_EQ(apptest::samePsi(view.simulation().psi(), *field), !row.loads) << row.file;
        // A reset still returns to the start-up field, unless the file loaded.
        window.frame().action(ID_CALC_RESET)->trigger();
        EXPECT_EQ(view.simulation().framesDone(), row.loads ? FramesBefore : 0) << row.file;
        loadDefaultField(*field);
        EXPECT_EQ(apptest::samePsi(view.simulation().psi(), *field), !row.loads) << row.file;
    }
}
