// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "field_io/frame_files.h"
#include "field_io/npy.h"
#include "swirlon_version.h"
#include "tests/bmp_files.h"
#include "tests/movie_probe.h"
#include "tools/batch_options.h"
#include "tools/batch_run.h"

namespace swirlon::batch {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the real program with its output captured beside (not inside) the folder it may write.
Outcome runProgram(const testing::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = quoted(SWIRLON_BATCH_EXECUTABLE);
    for (const std::string& arg : args) {
        command += ' ' + quoted(arg);
    }
    command += " </dev/null >" + quoted(dir.pathOf("stdout.txt")) + " 2>" + quoted(dir.pathOf("stderr.txt"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir.pathOf("stdout.txt")),
            slurp(dir.pathOf("stderr.txt"))};
}

// A valid field file with one header byte changed from what to what.
std::vector<std::uint8_t> npyWithHeaderChange(const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes = encodeNpyField(PackedSpectrum(Grid{}));
    const std::size_t at = std::string(bytes.begin(), bytes.begin() + 128).find(from);
    EXPECT_NE(at, std::string::npos) << from;
    std::copy(to.begin(), to.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

TEST(BatchProgram, HelpVersionAndGoodRunsExitZeroAndOnlyLoudRunsPrintASummary) {
    testing::TempDir dir;
    const Outcome help = runProgram(dir, {"--help"});
    EXPECT_EQ(help.exitCode, ExitSuccess);
    EXPECT_NE(help.out.find("usage: swirlon-batch"), std::string::npos);
    EXPECT_TRUE(help.err.empty());
    const Outcome version = runProgram(dir, {"--version"});
    EXPECT_EQ(version.exitCode, ExitSuccess);
    EXPECT_EQ(version.out + version.err, std::string("swirlon-batch ") + SwirlonVersion + "\n");

    const Outcome quiet = runProgram(dir, {"--preset", "taylor-green", "--steps", "2", "--frames", dir.pathOf("frames"),
                                           "--save-state", dir.pathOf("s.npy"), "--quiet"});
    EXPECT_EQ(quiet.exitCode, ExitSuccess);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_TRUE(fs::exists(dir.pathOf("s.npy")));
    EXPECT_TRUE(fs::exists(dir.pathOf("frames/frame-000002.png")));

    const Outcome loud = runProgram(dir, {"--steps", "2"});
    EXPECT_EQ(loud.exitCode, ExitSuccess);
    EXPECT_NE(loud.err.find("2 frames"), std::string::npos) << loud.err;
}

TEST(BatchProgram, BadArgumentsExitTwoAndBadFilesOneEachWithItsMessageAndWritingNothing) {
    testing::TempDir dir;
    const std::string missing = dir.pathOf("nowhere.bmp");
    const std::string ints = dir.write("ints.npy", npyWithHeaderChange("<f8", "<i8"));
    const std::string wide = dir.write("wide.npy", npyWithHeaderChange("(128, 128)", "(228, 128)"));
    PackedSpectrum grid(Grid{});
    grid[0] = 1.5;  // vorticity at the origin, where a state holds its zero mean
    const std::string vorticity = dir.write("vorticity.npy", encodeNpyField(grid));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"--colour", "red"}, ExitBadArguments, "unknown option '--colour'"},
        {{"--colours", "red"}, ExitBadArguments, "--colours: needs classic, diverging or sequential, not 'red'"},
        {{"--re", "fast"}, ExitBadArguments, "--re: needs a positive integer, not 'fast'"},
        {{"--input", missing}, ExitFailure, "cannot read '" + missing + "': No such file or directory"},
        {{"--input", ints}, ExitFailure, "dtype must be '<f8'"},
        {{"--state", wide}, ExitFailure, "found (228, 128)"},
        {{"--state", vorticity}, ExitFailure, "'" + vorticity + "': not a Swirlon state file"},
    };
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    for (Case run : cases) {
        run.args.insert(run.args.end(),
                        {"--frames", (out / "frames").string(), "--diagnostics", (out / "d.csv").string(),
                         "--save-state", (out / "s.npy").string(), "--save-vorticity", (out / "w.npy").string()});
        const Outcome outcome = runProgram(dir, run.args);
        EXPECT_EQ(outcome.exitCode, run.exitCode) << run.message;
        EXPECT_NE(outcome.err.find(run.message), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("usage:") != std::string::npos, run.exitCode == ExitBadArguments) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_TRUE(fs::is_empty(out)) << run.message;
    }
}

std::set<std::string> entriesOf(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Targets a careless writer would destroy or trip over, each in a folder of its own: what the
// program answers and everything the folder holds afterwards (no temporary file among it).
TEST(BatchProgram, HostileOutputTargetsAreWrittenThroughOrRefusedBeforeAnythingIsWritten) {
    testing::TempDir dir;
    const std::string longName(NAME_MAX, 'n');
    int pipeReader = -1;
    // A file deleted while still open, written through /dev/fd: the bytes go to the open file
    // and nothing new appears beside it.
    fs::create_directory(dir.path() / "deleted");
    const int deleted = ::open((dir.path() / "deleted/gone.csv").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(deleted, 0);
    fs::remove(dir.path() / "deleted/gone.csv");
    const std::string deletedPath = "/dev/fd/" + std::to_string(deleted);
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> setup;
        std::vector<std::string> args;  // relative to the case's folder
        int exitCode;
        std::string message;  // with <> for the case's folder
        std::set<std::string> left;
    };
    const Case cases[] = {
        {"symlink",
         [](const fs::path& c) {
             std::ofstream(c / "target.csv") << "old";
             fs::create_symlink("target.csv", c / "link.csv");
         },
         {"--diagnostics", "link.csv", "--save-state", "s.npz"},
         ExitSuccess,
         "",
         {"link.csv", "s.npz", "target.csv"}},
        {"fifo",
         [&](const fs::path& c) {
             ASSERT_EQ(::mkfifo((c / "pipe").c_str(), 0600), 0);
             pipeReader = ::open((c / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
         },
         {"--diagnostics", "pipe", "--save-state", "s.npz"},
         ExitSuccess,
         "",
         {"pipe", "s.npz"}},
        {"directory",
         [](const fs::path& c) { fs::create_directory(c / "sdir"); },
         {"--diagnostics", "d.csv", "--save-state", "s.npz", "--save-vorticity", "sdir"},
         ExitFailure,
         "cannot write '<>/sdir': Is a directory",
         {"sdir"}},
        {"same file twice",
         [](const fs::path&) {},
         {"--diagnostics", "x", "--save-state", "s.npz", "--save-vorticity", "./x"},
         ExitBadArguments,
         "--diagnostics '<>/x' and --save-vorticity '<>/./x' would overwrite each other",
         {}},
        // A file where the frames need a folder, whichever of the two the command line names first:
        // refused before the run, not after its pictures.
        {"file in the way",
         [](const fs::path&) {},
         {"--frames", "m/pictures", "--diagnostics", "m", "--save-state", "s.npz"},
         ExitBadArguments,
         "--frames '<>/m/pictures' and --diagnostics '<>/m' would overwrite each other",
         {}},
        {"file in the way, other order",
         [](const fs::path&) {},
         {"--diagnostics", "m", "--frames", "m/pictures", "--save-state", "s.npz"},
         ExitBadArguments,
         "--frames '<>/m/pictures' and --diagnostics '<>/m' would overwrite each other",
         {}},
        {"deleted",
         [](const fs::path&) {},
         {"--diagnostics", deletedPath, "--save-state", "s.npz"},
         ExitSuccess,
         "",
         {"s.npz"}},
        {"movie over the frames",
         [](const fs::path&) {},
         {"--frames", "m.gif", "--movie", "m.gif"},
         ExitBadArguments,
         "--frames '<>/m.gif' and --movie '<>/m.gif' would overwrite each other",
         {}},
        {"movie of no format",
         [](const fs::path&) {},
         {"--movie", "m.avi", "--save-state", "s.npz"},
         ExitBadArguments,
         "cannot write '<>/m.avi': a movie's name must end in .mp4, .webm or .gif, not .avi",
         {}},
        {"movie into a missing folder",
         [](const fs::path&) {},
         {"--save-state", "s.npz", "--movie", "nowhere/m.mp4"},
         ExitFailure,
         "cannot write '<>/nowhere/m.mp4': No such file or directory",
         {}},
        {"missing folder",
         [](const fs::path&) {},
         {"--diagnostics", "d.csv", "--save-state", "nowhere/s.npz"},
         ExitFailure,
         "cannot write '<>/nowhere/s.npz': No such file or directory",
         {}},
        {"longest name",
         [](const fs::path&) {},
         {"--diagnostics", longName, "--save-state", "s.npz"},
         ExitSuccess,
         "",
         {longName, "s.npz"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = dir.path() / c.name;
        fs::create_directory(folder);
        c.setup(folder);
        std::vector<std::string> args{"--steps", "2", "--quiet"};
        for (std::size_t i = 0; i < c.args.size(); ++i) {
            args.push_back(i % 2 == 0 ? c.args[i] : (folder / c.args[i]).string());
        }
        const Outcome outcome = runProgram(dir, args);
        std::string message = c.message;
        for (std::size_t at; (at = message.find("<>")) != std::string::npos;) {
            message.replace(at, 2, folder.string());
        }
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
        EXPECT_EQ(outcome.err, message.empty() ? "" : "swirlon-batch: " + message + "\n");
        EXPECT_EQ(entriesOf(folder), c.left);
    }
    const std::string header = "step,time,";
    EXPECT_TRUE(fs::is_symlink(dir.path() / "symlink/link.csv"));
    EXPECT_EQ(slurp((dir.path() / "symlink/target.csv").string()).substr(0, header.size()), header);
    char piped[16] = {};
    EXPECT_EQ(::read(pipeReader, piped, header.size()), static_cast<ssize_t>(header.size()));
    EXPECT_EQ(std::string(piped), header);
    ::close(pipeReader);
    EXPECT_TRUE(fs::is_fifo(dir.path() / "fifo/pipe"));
    char written[16] = {};
    EXPECT_EQ(::pread(deleted, written, header.size(), 0), static_cast<ssize_t>(header.size()));
    EXPECT_EQ(std::string(written), header);
    ::close(deleted);
}

// The real program, stopped while it writes a long run of pictures and a movie: it finishes the
// frame, removes its temporary files, writes none of the final outputs, keeps the pictures and
// the movie so far (which plays, every picture in it) and says so, and ends by the signal as an
// interrupted program does.
TEST(BatchProgram, ASignalEndsTheRunAfterTheCurrentFrameKeepingOnlyThePicturesAndTheMovie) {
    testing::TempDir dir;
    // Each signal a terminal or a session's end sends.
    for (const auto& [signal, name] :
         {std::pair{SIGINT, "SIGINT"}, std::pair{SIGTERM, "SIGTERM"}, std::pair{SIGHUP, "SIGHUP"}}) {
        SCOPED_TRACE(name);
        const fs::path out = dir.path() / name;
        const fs::path frames = out / "frames";
        fs::create_directory(out);
        constexpr long long Steps = 1000000;
        const int digits = frameNumberWidth(Steps);
        const std::vector<std::string> args{SWIRLON_BATCH_EXECUTABLE,
                                            "--preset",
                                            "shear-layer",
                                            "--steps",
                                            std::to_string(Steps),
                                            "--frames",
                                            frames.string(),
                                            "--diagnostics",
                                            (out / "d.csv").string(),
                                            "--save-state",
                                            (out / "s.npz").string(),
                                            "--movie",
                                            (out / "m.mp4").string(),
                                            "--quiet"};
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (out.string() + ".txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);

        // Stopped once it is well into the run, however fast the machine.
        constexpr auto Patience = std::chrono::seconds(60);
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (!fs::exists(frames / frameFileName(2, digits)) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(::kill(child, signal), 0);
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline + Patience) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                FAIL() << "the run did not stop";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "the shell's exit status 128 + n";

        EXPECT_EQ(entriesOf(out), (std::set<std::string>{"frames", "m.mp4"}));
        const std::set<std::string> pictures = entriesOf(frames);
        ASSERT_GE(pictures.size(), 3u);
        const long long last = static_cast<long long>(pictures.size()) - 1;
        EXPECT_EQ(*pictures.rbegin(), frameFileName(last, digits)) << "no temporary among them";
        const std::string count = std::to_string(pictures.size()) + " frames";
        EXPECT_EQ(slurp((out.string() + ".txt")), "swirlon-batch: stopped by " + std::string(name) + " after frame " +
                                                      std::to_string(last) + "; " + count + " written to '" +
                                                      frames.string() + "'; the movie '" + (out / "m.mp4").string() +
                                                      "' holds " + count + "; no other output written\n");
        const testing::DecodedMovie movie = testing::decodeMovie((out / "m.mp4").string());
        EXPECT_TRUE(movie.readable);
        EXPECT_EQ(movie.frames, static_cast<long long>(pictures.size()));
    }
}

}  // namespace
}  // namespace swirlon::batch
