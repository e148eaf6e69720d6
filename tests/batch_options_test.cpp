#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tools/batch_options.h"

namespace swirlon::batch {
namespace {

ParsedCommandLine parse(std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> list(args);
    return parseBatchArguments(list);
}

void expectError(std::initializer_list<std::string_view> args, const std::string& expected) {
    const ParsedCommandLine parsed = parse(args);
    ASSERT_FALSE(parsed.error.empty()) << "accepted, expected: " << expected;
    EXPECT_NE(parsed.error.find(expected), std::string::npos) << parsed.error;
}

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
    EXPECT_FALSE(parsed.options.quiet);
    EXPECT_TRUE(parsed.options.framesFolder.empty());
    EXPECT_TRUE(parsed.options.diagnosticsPath.empty());
}

TEST(BatchArguments, EveryOptionIsTakenWithItsValue) {
    const ParsedCommandLine parsed =
        parse({"--preset", "mcwilliams", "--seed", "9", "--re", "250", "--steps", "0", "--frames", "out", "--picture",
               "speed", "--every", "5", "--diagnostics", "d.csv", "--save-state", "s.npy", "--save-vorticity", "v.npy",
               "--quiet"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    const BatchOptions& options = parsed.options;
    EXPECT_EQ(options.inputKind, InputKind::preset);
    EXPECT_EQ(options.input, "mcwilliams");
    EXPECT_EQ(options.seed, 9u);
    EXPECT_EQ(options.reynolds, 250);
    EXPECT_EQ(options.steps, 0);
    EXPECT_EQ(options.framesFolder, "out");
    EXPECT_EQ(options.picture, DisplayMode::speed);
    EXPECT_EQ(options.every, 5);
    EXPECT_EQ(options.diagnosticsPath, "d.csv");
    EXPECT_EQ(options.saveStatePath, "s.npy");
    EXPECT_EQ(options.saveVorticityPath, "v.npy");
    EXPECT_TRUE(options.quiet);
}

TEST(BatchArguments, ValuesMayFollowAnEqualsSign) {
    const ParsedCommandLine parsed = parse({"--input=flow.bmp", "--re=10000"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.options.inputKind, InputKind::file);
    EXPECT_EQ(parsed.options.input, "flow.bmp");
    EXPECT_EQ(parsed.options.reynolds, 10000);
}

TEST(BatchArguments, StateFileIsItsOwnKindOfInput) {
    const ParsedCommandLine parsed = parse({"--state", "run.npy"});
    EXPECT_EQ(parsed.options.inputKind, InputKind::state);
    EXPECT_EQ(parsed.options.input, "run.npy");
}

TEST(BatchArguments, AnyPositiveReynoldsNumberIsAccepted) {
    EXPECT_EQ(parse({"--re", "1"}).options.reynolds, 1);
    EXPECT_EQ(parse({"--re", "2147483647"}).options.reynolds, 2147483647);
}

TEST(BatchArguments, HelpAsksForTheUsage) {
    EXPECT_TRUE(parse({"--help"}).helpRequested);
    EXPECT_TRUE(parse({"--re", "5", "-h"}).helpRequested);
    EXPECT_NE(batchUsage().find("--save-vorticity"), std::string::npos);
    EXPECT_NE(batchUsage().find("mcwilliams"), std::string::npos);
}

TEST(BatchArgumentErrors, UnknownOptionsAndStrayWordsAreNamed) {
    expectError({"--speed"}, "unknown option '--speed'");
    expectError({"--re", "10", "fast"}, "unexpected argument 'fast'");
    expectError({"--quiet=yes"}, "--quiet takes no value");
}

TEST(BatchArgumentErrors, BadNumbersAreRefused) {
    expectError({"--re", "0"}, "--re needs a positive integer, not '0'");
    expectError({"--re", "-5"}, "--re needs a positive integer");
    expectError({"--re", "1e3"}, "not '1e3'");
    expectError({"--re", "2147483648"}, "--re needs a positive integer");
    expectError({"--steps", "-1"}, "--steps needs a non-negative integer");
    expectError({"--steps", "12x"}, "not '12x'");
    expectError({"--every", "0"}, "--every needs a positive integer");
    expectError({"--seed", "4294967296"}, "--seed");
}

TEST(BatchArgumentErrors, MissingValuesAndRepeatsAreRefused) {
    expectError({"--steps"}, "--steps needs a value");
    expectError({"--frames="}, "non-empty value");
    expectError({"--re", "10", "--re", "20"}, "--re given twice");
}

TEST(BatchArgumentErrors, OnlyOneInputSourceAndKnownChoices) {
    expectError({"--preset", "taylor-green", "--input", "a.bmp"}, "at most one of --input, --preset and --state");
    expectError({"--preset", "storm"}, "unknown preset 'storm'");
    expectError({"--picture", "pressure"}, "vorticity or speed");
}

}  // namespace
}  // namespace swirlon::batch
