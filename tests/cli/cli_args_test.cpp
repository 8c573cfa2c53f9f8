// The command line of zt30ctl: what is accepted, with which defaults, and what is refused with which message.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"

namespace zt30::cli {
namespace {

ParseResult Parse(std::vector<std::string_view> args) {
    return ParseArguments(args);
}

TEST(CliArgs, DefaultsAreComOneAt9600ToStationOneFromZero) {
    const ParseResult result = Parse({"read"});
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.command, Command::Read);
    EXPECT_EQ(result.options.port, 1);
    EXPECT_FALSE(result.options.device);
    EXPECT_EQ(result.options.baudRate, 9600);
    EXPECT_EQ(result.options.destinationAddress, 1);
    EXPECT_EQ(result.options.sourceAddress, 0);
    EXPECT_EQ(result.options.scanFrom, 0);
    EXPECT_EQ(result.options.scanTo, 127);
}

TEST(CliArgs, OptionsStandBeforeOrAfterTheCommandInBothForms) {
    const ParseResult result = Parse({"--port", "3", "set", "--baud=256000", "SCALE", "--da", "126", "-2.5",
                                      "--sa=7", "--device", "/tmp/x"});
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.command, Command::Set);
    EXPECT_EQ(result.options.port, 3);
    EXPECT_EQ(result.options.baudRate, 256000);
    EXPECT_EQ(result.options.destinationAddress, 126);
    EXPECT_EQ(result.options.sourceAddress, 7);
    EXPECT_EQ(result.options.device, "/tmp/x");
    // A negative number is a value, not an option.
    EXPECT_EQ(result.options.arguments, (std::vector<std::string>{"SCALE", "-2.5"}));
}

TEST(CliArgs, CommandOptions) {
    const ParseResult scan = Parse({"scan", "--from", "4", "--to=11"});
    ASSERT_EQ(scan.error, "");
    EXPECT_EQ(scan.options.scanFrom, 4);
    EXPECT_EQ(scan.options.scanTo, 11);

    const ParseResult watch = Parse({"watch", "--count", "3", "--record", "out.txt"});
    ASSERT_EQ(watch.error, "");
    EXPECT_EQ(watch.options.count, 3);
    EXPECT_EQ(watch.options.recordFile, "out.txt");
    EXPECT_FALSE(Parse({"watch"}).options.count);
}

TEST(CliArgs, HelpWinsOverEverythingElseAndNamesTheCommand) {
    const ParseResult result = Parse({"read", "--da", "999", "--help", "--bogus"});
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.options.help);
    EXPECT_EQ(result.options.command, Command::Read);
    EXPECT_TRUE(Parse({"-h"}).options.help);
    EXPECT_EQ(Parse({"-h"}).options.command, Command::None);
}

TEST(CliArgs, EveryCommandHasHelpAndTheOverviewListsThem) {
    const std::string overview = HelpText(Command::None);
    for (const Command command :
         {Command::Ports, Command::Status, Command::Scan, Command::Read, Command::Watch, Command::Params,
          Command::Set, Command::Clear, Command::Ident, Command::Address}) {
        const std::string name(CommandName(command));
        EXPECT_EQ(CommandFromName(name), command);
        EXPECT_NE(overview.find("  " + name), std::string::npos) << name;
        EXPECT_EQ(HelpText(command).rfind("Usage: zt30ctl " + name, 0), 0u) << name;
    }
}

struct RejectedCase {
    std::vector<std::string_view> args;
    std::string_view message;  // a part of the one-line error
};

class CliArgsRejected : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(CliArgsRejected, WithOneLineNamingTheFault) {
    const ParseResult result = ParseArguments(GetParam().args);
    EXPECT_NE(result.error.find(GetParam().message), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliArgsRejected,
    ::testing::Values(RejectedCase{{}, "no command"},
                      RejectedCase{{"frobnicate"}, "unknown command frobnicate"},
                      RejectedCase{{"read", "--speed", "9600"}, "unknown option --speed"},
                      RejectedCase{{"read", "--port"}, "--port needs a value"},
                      RejectedCase{{"read", "--port", "0"}, "--port needs a number from 1 to 8"},
                      RejectedCase{{"read", "--port", "9"}, "from 1 to 8"},
                      RejectedCase{{"read", "--port", "1x"}, "from 1 to 8"},
                      RejectedCase{{"read", "--port", ""}, "from 1 to 8"},
                      RejectedCase{{"read", "--baud", "14400"}, "14400 is not one of the line speeds"},
                      RejectedCase{{"read", "--baud", "-9600"}, "--baud"},
                      RejectedCase{{"read", "--da", "127"}, "--da needs a number from 0 to 126"},
                      RejectedCase{{"read", "--sa", "-1"}, "--sa needs a number from 0 to 126"},
                      RejectedCase{{"read", "--da", "99999999999999999999"}, "--da"},
                      RejectedCase{{"read", "--count", "3"}, "--count belongs to the command watch"},
                      RejectedCase{{"read", "--from", "3"}, "--from belongs to the command scan"},
                      RejectedCase{{"watch", "--count", "0"}, "--count needs a number"},
                      RejectedCase{{"scan", "--to", "128"}, "--to needs a number from 0 to 127"},
                      RejectedCase{{"scan", "--from", "9", "--to", "8"}, "--from must not be above --to"},
                      RejectedCase{{"read", "extra"}, "read: expects no arguments"},
                      RejectedCase{{"set", "SCALE"}, "set: expects 2 argument(s)"},
                      RejectedCase{{"address"}, "address: expects 1 argument(s)"},
                      RejectedCase{{"clear", "all"}, "clear: expects counter or sum"},
                      RejectedCase{{"watch", "--record="}, "--record needs a file name"},
                      RejectedCase{{"read", "--device="}, "--device needs a path"},
                      RejectedCase{{"read", "--da", "1\x1b[2J"}, "1?[2J"}));

TEST(CliArgs, DoubleDashEndsTheOptions) {
    const ParseResult result = Parse({"set", "--", "OFFSET", "--5"});
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.arguments, (std::vector<std::string>{"OFFSET", "--5"}));
}

TEST(CliArgs, BoundedIntegers) {
    EXPECT_EQ(ParseBoundedInt("0", 0, 5), 0);
    EXPECT_EQ(ParseBoundedInt("5", 0, 5), 5);
    EXPECT_FALSE(ParseBoundedInt("6", 0, 5));
    EXPECT_FALSE(ParseBoundedInt("+1", 0, 5));
    EXPECT_FALSE(ParseBoundedInt(" 1", 0, 5));
    EXPECT_FALSE(ParseBoundedInt("0x1", 0, 5));
}

}  // namespace
}  // namespace zt30::cli
