// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/batch_options.h"

namespace swirlon::batch {
namespace {

ParsedCommandLine parse(const std::vector<std::string_view>& args) { return parseBatchArguments(args); }

TEST(BatchArguments, NoArgumentsRunTheDefaultFieldAsTheWindowStarts) {
    const ParsedCommandLine parsed = parse({});
    EXPECT_TRUE(parsed.error.empty());
    EXPECT_FALSE(parsed.helpRequested);
    EXPECT_EQ(parsed.options.inputKind, InputKind::preset);
    EXPECT_EQ(parsed.options.input, "default");
    EXPECT_EQ(parsed.options.reynolds, 1000);
    EXPECT_EQ(parsed.options.steps, 1000);
    EXPECT_EQ(parsed.options.every, 1);
    EXPECT_EQ(parsed.options.picture, DisplayMode::vorticity);
}

// The runs of the batch tool pass every option in its separate form; see batch_run_test.cpp.
TEST(BatchArguments, ValuesMayFollowAnEqualsSignAndTakeTheirWholeRange) {
    const ParsedCommandLine parsed = parse({"--state=run.npy", "--seed=4294967295", "--re=2147483647", "--steps=0"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.options.inputKind, InputKind::state);
    EXPECT_EQ(parsed.options.input, "run.npy");
    EXPECT_EQ(parsed.options.seed, 4294967295u);
    EXPECT_EQ(parsed.options.reynolds, 2147483647);
    EXPECT_EQ(parsed.options.steps, 0);
    EXPECT_EQ(parse({"--re", "1", "--seed", "0"}).options.reynolds, 1);
    EXPECT_EQ(parse({"--input=flow.bmp"}).options.inputKind, InputKind::file);
    EXPECT_TRUE(parse({"--help"}).helpRequested);
    EXPECT_TRUE(parse({"--re", "5", "-h"}).helpRequested);
}

TEST(BatchArguments, BadArgumentsAreRefusedWithWhatIsWrong) {
    const std::pair<std::vector<std::string_view>, const char*> cases[] = {
        {{"--speed"}, "unknown option '--speed'"},
        {{"--re", "10", "fast"}, "unexpected argument 'fast'"},
        {{"--quiet=yes"}, "--quiet takes no value"},
        {{"--re", "0"}, "--re needs a positive integer, not '0'"},
        {{"--re", "-5"}, "--re needs a positive integer"},
        {{"--re", "1e3"}, "not '1e3'"},
        {{"--re", "2147483648"}, "--re needs a positive integer"},
        {{"--steps", "-1"}, "--steps needs a non-negative integer"},
        {{"--steps", "12x"}, "not '12x'"},
        {{"--every", "0"}, "--every needs a positive integer"},
        {{"--seed", "4294967296"}, "--seed"},
        {{"--steps"}, "--steps needs a value"},
        {{"--frames="}, "non-empty value"},
        {{"--re", "10", "--re", "20"}, "--re given twice"},
        {{"--preset", "taylor-green", "--input", "a.bmp"}, "at most one of --input, --preset and --state"},
        {{"--preset", "storm"}, "unknown preset 'storm'"},
        {{"--picture", "pressure"}, "vorticity or speed"},
    };
    for (const auto& [args, expected] : cases) {
        const ParsedCommandLine parsed = parse(args);
        EXPECT_NE(parsed.error.find(expected), std::string::npos)
            << "expected: " << expected << "; got: " << parsed.error;
    }
}

}  // namespace
}  // namespace swirlon::batch
