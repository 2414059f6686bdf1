#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tavrin::test {
namespace {

using sim::CommandLine;

sim::ParsedCommandLine parse(std::vector<std::string_view> args) { return sim::parseCommandLine(args); }

TEST(SimCommandLine, NoOptionsMeansAPacedRecorderWithoutFaults) {
    const auto parsed = parse({});
    ASSERT_EQ(parsed.error, "");
    const CommandLine& o = parsed.options;
    EXPECT_TRUE(o.sim.pacing);
    EXPECT_FALSE(o.trace);
    EXPECT_EQ(o.sim.linkPath, "");
    EXPECT_EQ(o.sim.protocol.nakEvery, 0);
    EXPECT_TRUE(o.sim.protocol.ignoredQueries.empty());
    EXPECT_FALSE(o.sim.splitReplies);
    EXPECT_EQ(o.sim.noise, 0.0);
    EXPECT_FALSE(o.stopReadingAfter || o.hangUpAfter || o.comeBackAfter);
}

struct GoodCase {
    const char* name;
    std::vector<std::string_view> args;
    std::function<bool(const CommandLine&)> check;
};

class SimCommandLineGood : public ::testing::TestWithParam<GoodCase> {};

TEST_P(SimCommandLineGood, IsTaken) {
    const auto parsed = parse(GetParam().args);
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(GetParam().check(parsed.options));
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimCommandLineGood,
    ::testing::Values(
        GoodCase{"Link", {"--link", "/tmp/tavrin-com2"},
                 [](auto& o) { return o.sim.linkPath == "/tmp/tavrin-com2"; }},
        GoodCase{"Fast", {"--fast"}, [](auto& o) { return !o.sim.pacing; }},
        GoodCase{"Trace", {"--trace"}, [](auto& o) { return o.trace; }},
        GoodCase{"NakEvery", {"--nak-every", "5"}, [](auto& o) { return o.sim.protocol.nakEvery == 5; }},
        GoodCase{"IgnoreAWholeFrame", {"--ignore", "@0?D3"},
                 [](auto& o) { return o.sim.protocol.ignoredQueries == std::set<std::string>{"?D3"}; }},
        GoodCase{"IgnoreTwoQueries", {"--ignore", "?D3", "--ignore", "@0?TI\r"},
                 [](auto& o) { return o.sim.protocol.ignoredQueries == std::set<std::string>{"?D3", "?TI"}; }},
        GoodCase{"StrayBefore", {"--stray-before", "@0FS44"},
                 [](auto& o) { return o.sim.protocol.strayBeforeAnswer == std::set<std::string>{"FS44"}; }},
        GoodCase{"Split", {"--split"}, [](auto& o) { return o.sim.splitReplies; }},
        GoodCase{"Noise", {"--noise", "0.25"}, [](auto& o) { return o.sim.noise == 0.25; }},
        GoodCase{"Seed", {"--seed", "42"}, [](auto& o) { return o.sim.seed == 42u; }},
        GoodCase{"AnswerRcpw", {"--answer-rcpw"}, [](auto& o) { return o.sim.protocol.answerRcpw; }},
        GoodCase{"StopReadingAfter", {"--stop-reading-after", "2.5"},
                 [](auto& o) { return o.stopReadingAfter == 2.5; }},
        GoodCase{"StopReadingFromTheStart", {"--stop-reading-after", "0"},
                 [](auto& o) { return o.stopReadingAfter == 0.0; }},
        GoodCase{"HangUpAndComeBack", {"--hang-up-after", "3", "--come-back-after", "1"},
                 [](auto& o) { return o.hangUpAfter == 3.0 && o.comeBackAfter == 1.0; }},
        GoodCase{"Help", {"--help"}, [](auto& o) { return o.help; }},
        GoodCase{"Several", {"--fast", "--trace", "--split", "--link", "/tmp/x"},
                 [](auto& o) {
                     return !o.sim.pacing && o.trace && o.sim.splitReplies && o.sim.linkPath == "/tmp/x";
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    std::vector<std::string_view> args;
    const char* error;
};

class SimCommandLineBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(SimCommandLineBad, IsRefusedWithAReason) { EXPECT_EQ(parse(GetParam().args).error, GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    Options, SimCommandLineBad,
    ::testing::Values(
        BadCase{"Unknown", {"--slow"}, "--slow: unknown option"},
        BadCase{"LinkWithoutPath", {"--link"}, "--link: needs a path"},
        BadCase{"LinkEmpty", {"--link", ""}, "--link: needs a path"},
        BadCase{"NakEveryZero", {"--nak-every", "0"}, "--nak-every: needs a count of 1 or more"},
        BadCase{"NakEveryWord", {"--nak-every", "three"}, "--nak-every: needs a count of 1 or more"},
        BadCase{"NakEveryMissing", {"--nak-every"}, "--nak-every: needs a count of 1 or more"},
        BadCase{"IgnoreAKey", {"--ignore", "@02353"}, "--ignore: needs a query such as @0?D3"},
        BadCase{"IgnoreNothing", {"--ignore", "?"}, "--ignore: needs a query such as @0?D3"},
        BadCase{"NoiseAboveOne", {"--noise", "1.5"}, "--noise: needs a chance from 0 to 1"},
        BadCase{"NoiseNegative", {"--noise", "-0.1"}, "--noise: needs a chance from 0 to 1"},
        BadCase{"NoiseWithComma", {"--noise", "0,5"}, "--noise: needs a chance from 0 to 1"},
        BadCase{"SeedNegative", {"--seed", "-1"}, "--seed: needs a number"},
        BadCase{"HangUpNegative", {"--hang-up-after", "-1"}, "--hang-up-after: needs seconds"},
        BadCase{"ComeBackWord", {"--come-back-after", "soon"}, "--come-back-after: needs seconds"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::test
