// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "field_io/npy.h"
#include "tests/bmp_files.h"
#include "swirlon_version.h"
#include "tools/batch_options.h"

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
    std::vector<std::uint8_t> bytes = encodeNpyField(PackedSpectrum{});
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
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"--colour", "red"}, ExitBadArguments, "unknown option '--colour'"},
        {{"--re", "fast"}, ExitBadArguments, "--re: needs a positive integer, not 'fast'"},
        {{"--input", missing}, ExitFailure, "cannot read '" + missing + "': No such file or directory"},
        {{"--input", ints}, ExitFailure, "dtype must be '<f8'"},
        {{"--state", wide}, ExitFailure, "found (228, 128)"},
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

}  // namespace
}  // namespace swirlon::batch
