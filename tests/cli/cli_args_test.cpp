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
    EXPECT_EQ(Parse({"set", "OFFSET", "-.5"}).options.arguments, (std::vector<std::string>{"OFFSET", "-.5"}));
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

TEST(CliArgs, TraceAndStatsAreFlagsForEveryCommand) {
    // A flag takes no value: the next argument stays the command's.
    const ParseResult result = Parse({"--trace", "set", "--stats", "SCALE", "2.5"});
    ASSERT_EQ(result.error, "");
    EXPECT_TRUE(result.options.trace);
    EXPECT_TRUE(result.options.stats);
    EXPECT_EQ(result.options.arguments, (std::vector<std::string>{"SCALE", "2.5"}));
    const ParseResult plain = Parse({"scan"});
    EXPECT_FALSE(plain.options.trace);
    EXPECT_FALSE(plain.options.stats);
    EXPECT_TRUE(Parse({"scan", "--stats"}).options.stats);
    EXPECT_NE(HelpText(Command::Scan).find("--stats"), std::string::npos);
    EXPECT_NE(HelpText(Command::Watch).find("traffic summary"), std::string::npos);
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
          Command::Set, Command::Clear, Command::Ident, Command::Address, Command::Backup, Command::Restore,
          Command::Diff}) {
        const std::string name(CommandName(command));
        EXPECT_EQ(CommandFromName(name), command);
        EXPECT_NE(overview.find("  " + name), std::string::npos) << name;
        EXPECT_EQ(HelpText(command).rfind("Usage: zt30ctl " + name, 0), 0u) << name;
    }
}

struct RejectedCase {
    std::vector<std::string_view> args;
    std::string message;  // a part of the one-line error
};

class CliArgsRejected : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(CliArgsRejected, WithOneLineNamingTheFault) {
    const ParseResult result = ParseArguments(GetParam().args);
    EXPECT_NE(result.error.find(GetParam().message), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
}

const std::string kLongArgument(200, '9');

INSTANTIATE_TEST_SUITE_P(
    Cases, CliArgsRejected,
    ::testing::Values(
        RejectedCase{{}, "no command"}, RejectedCase{{"frobnicate"}, "unknown command frobnicate"},
        RejectedCase{{"frob", "--help"}, "unknown command frob"},
        RejectedCase{{"read", "--speed", "9600"}, "unknown option --speed"},
        RejectedCase{{"-v", "read"}, "unknown option -v"},
        RejectedCase{{"read", "-x5"}, "unknown option -x5"},
        RejectedCase{{"read", "--port"}, "option --port needs a port number 1..8"},
        RejectedCase{{"read", "--port", "0"}, "option --port needs a port number 1..8, not \"0\""},
        RejectedCase{{"read", "--port", "9"}, "a port number 1..8"},
        RejectedCase{{"read", "--port", "1x"}, "a port number 1..8"},
        RejectedCase{{"read", "--port", ""}, "a port number 1..8, not \"\""},
        RejectedCase{{"read", "--baud", "14400"}, "option --baud needs a line speed (110 300 600"},
        RejectedCase{{"read", "--baud", "14400"}, "256000), not \"14400\""},
        RejectedCase{{"read", "--baud", "-9600"}, "--baud needs a line speed"},
        RejectedCase{{"read", "--da", "127"}, "option --da needs an address 0..126, not \"127\""},
        RejectedCase{{"read", "--sa", "-1"}, "option --sa needs an address 0..126"},
        RejectedCase{{"read", "--da", "99999999999999999999"}, "--da needs an address 0..126"},
        RejectedCase{{"read", "--count", "3"}, "--count belongs to the command watch"},
        RejectedCase{{"read", "--from", "3"}, "--from belongs to the command scan"},
        RejectedCase{{"watch", "--count", "0"}, "option --count needs a number of readings 1..1000000000"},
        RejectedCase{{"scan", "--to", "128"}, "option --to needs an address 0..127"},
        RejectedCase{{"scan", "--from", "9", "--to", "8"}, "--from must not be above --to"},
        RejectedCase{{"read", "extra"}, "read: expects no arguments"},
        RejectedCase{{"set", "SCALE"}, "set: expects 2 argument(s)"},
        RejectedCase{{"address"}, "address: expects 1 argument(s)"},
        RejectedCase{{"clear", "all"}, "clear: expects counter or sum"},
        RejectedCase{{"watch", "--record="}, "option --record needs a file name"},
        RejectedCase{{"read", "--device="}, "option --device needs a device path"},
        RejectedCase{{"read", "--trace=yes"}, "option --trace takes no value"},
        RejectedCase{{"read", "--stats="}, "option --stats takes no value"},
        RejectedCase{{"read", "--da", "1\x1b[2J"}, "not \"1\\x1B[2J\""},
        RejectedCase{{"\xFF\xFEread"}, "unknown command \\xFF\\xFEread"},
        RejectedCase{{"read", "--da", kLongArgument}, "not \"" + std::string(60, '9') + "...\""},
        RejectedCase{{"diff", "a.ini", "--dry-run"}, "--dry-run belongs to the command restore"},
        RejectedCase{{"restore", "--dry-run=yes", "a.ini"}, "option --dry-run takes no value"},
        RejectedCase{{"backup"}, "backup: expects 1 argument(s)"},
        RejectedCase{{"restore", "a.ini", "b.ini"}, "restore: expects 1 argument(s)"}));

TEST(CliArgs, DryRunIsAFlagThatTakesNoArgument) {
    ParseResult result = Parse({"restore", "--dry-run", "a.ini", "--da", "5"});
    ASSERT_EQ(result.error, "");
    EXPECT_TRUE(result.options.dryRun);
    EXPECT_EQ(result.options.arguments, (std::vector<std::string>{"a.ini"}));
    EXPECT_EQ(result.options.destinationAddress, 5);
    result = Parse({"restore", "a.ini"});
    EXPECT_FALSE(result.options.dryRun);
}

TEST(CliArgs, TheFileCommandsHelpExplainsTheFileAndTheDiffStatus) {
    for (const Command command : {Command::Backup, Command::Restore, Command::Diff}) {
        const std::string help = HelpText(command);
        EXPECT_NE(help.find("[PARAMETRY]"), std::string::npos) << help;
        EXPECT_NE(help.find("refused as a whole"), std::string::npos) << help;
    }
    EXPECT_NE(HelpText(Command::Diff).find(", 4 diff found differences."), std::string::npos);
    EXPECT_EQ(HelpText(Command::Backup).find(", 4 diff"), std::string::npos);
}

TEST(CliArgs, DoubleDashEndsTheOptions) {
    const ParseResult result = Parse({"set", "--", "OFFSET", "--5"});
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.arguments, (std::vector<std::string>{"OFFSET", "--5"}));
}

}  // namespace
}  // namespace zt30::cli
