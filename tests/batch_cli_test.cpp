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

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the real program with its output captured beside (not inside) the folder it may write.
Outcome runProgram(const testing::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = quoted(SWIRLON_BATCH_EXECUTABLE);
    for (const std::string& arg : args) {
        command += ' ' + quoted(arg);
    }
    const fs::path out = dir.path() / "stdout.txt";
    const fs::path err = dir.path() / "stderr.txt";
    command += " </dev/null >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = slurp(out);
    outcome.err = slurp(err);
    fs::remove(out);
    fs::remove(err);
    return outcome;
}

TEST(BatchProgram, HelpGoesToStandardOutputWithExitZero) {
    testing::TempDir dir;
    const Outcome outcome = runProgram(dir, {"--help"});
    EXPECT_EQ(outcome.exitCode, ExitSuccess);
    EXPECT_NE(outcome.out.find("usage: swirlon-batch"), std::string::npos);
    EXPECT_TRUE(outcome.err.empty());
}

TEST(BatchProgram, UnknownOptionExitsTwoWithMessageAndUsageAndWritesNothing) {
    testing::TempDir dir;
    const Outcome outcome =
        runProgram(dir, {"--colour", "red", "--save-state", (dir.path() / "s.npy").string()});
    EXPECT_EQ(outcome.exitCode, ExitBadArguments);
    EXPECT_NE(outcome.err.find("unknown option '--colour'"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: swirlon-batch"), std::string::npos);
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(BatchProgram, BadNumberExitsTwo) {
    testing::TempDir dir;
    const Outcome outcome = runProgram(dir, {"--re", "fast", "--diagnostics", (dir.path() / "d.csv").string()});
    EXPECT_EQ(outcome.exitCode, ExitBadArguments);
    EXPECT_NE(outcome.err.find("--re needs a positive integer, not 'fast'"), std::string::npos) << outcome.err;
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(BatchProgram, MissingFileExitsOneWithThePathAndNoUsage) {
    testing::TempDir dir;
    const std::string missing = (dir.path() / "nowhere.bmp").string();
    const Outcome outcome = runProgram(dir, {"--input", missing, "--save-state", (dir.path() / "s.npy").string()});
    EXPECT_EQ(outcome.exitCode, ExitFailure);
    EXPECT_NE(outcome.err.find(missing), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("usage:"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(BatchProgram, WrongDtypeExitsOne) {
    testing::TempDir dir;
    std::vector<std::uint8_t> bytes = encodeNpyField(PackedSpectrum{});
    const std::string header(bytes.begin(), bytes.begin() + 64);
    bytes[header.find("<f8") + 1] = 'i';
    const std::string path = dir.write("ints.npy", bytes);
    const Outcome outcome = runProgram(dir, {"--state", path});
    EXPECT_EQ(outcome.exitCode, ExitFailure);
    EXPECT_NE(outcome.err.find("dtype must be '<f8'"), std::string::npos) << outcome.err;
}

TEST(BatchProgram, QuietRunPrintsNothingAndWritesItsFiles) {
    testing::TempDir dir;
    const fs::path state = dir.path() / "s.npy";
    const fs::path frames = dir.path() / "frames";
    const Outcome outcome =
        runProgram(dir, {"--preset", "taylor-green", "--steps", "2", "--frames", frames.string(), "--save-state",
                         state.string(), "--quiet"});
    EXPECT_EQ(outcome.exitCode, ExitSuccess);
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;
    EXPECT_TRUE(fs::exists(state));
    EXPECT_TRUE(fs::exists(frames / "frame-000002.png"));
}

}  // namespace
}  // namespace swirlon::batch
