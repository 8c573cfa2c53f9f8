// The shared text rules: each integer rule with the texts its callers rely on, the ASCII case compare and
// the UTF-8 check. The hex digits are exercised by every byte vector of the other suites.
#include "base/text_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

namespace zt30 {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();

// One text through the three integer rules; the option rule asked for the 32-bit range.
struct IntCase {
    std::string_view text;
    std::optional<std::int32_t> entry;
    std::optional<std::int32_t> stored;
    std::optional<long long> option;
};

class IntegerRules : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntegerRules, EachRuleReadsWhatItsCallersRelyOn) {
    const IntCase& c = GetParam();
    EXPECT_EQ(ParseEntryInt(c.text), c.entry) << "entry";
    EXPECT_EQ(ParseStoredInt(c.text), c.stored) << "stored";
    EXPECT_EQ(ParseOptionInt(c.text, kMin32, std::numeric_limits<std::int32_t>::max()), c.option) << "option";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerRules,
    ::testing::Values(IntCase{"126", 126, 126, 126}, IntCase{"-5", -5, -5, -5}, IntCase{"007", 7, 7, 7},
                      IntCase{"2147483647", 2147483647, 2147483647, 2147483647},
                      IntCase{"-2147483648", kMin32, kMin32, kMin32},
                      IntCase{"2147483648", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"-2147483649", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"99999999999999999999", std::nullopt, std::nullopt, std::nullopt},
                      // An entry and a stored value take leading blanks and "+"; only a stored one trailing
                      // blanks; a command-line value neither.
                      IntCase{"  25", 25, 25, std::nullopt}, IntCase{"25 ", std::nullopt, 25, std::nullopt},
                      IntCase{" 7 ", std::nullopt, 7, std::nullopt}, IntCase{"+7", 7, 7, std::nullopt},
                      IntCase{"+-7", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"- 7", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"-", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"\t7", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"12a", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"0x10", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"$10", std::nullopt, std::nullopt, std::nullopt},
                      IntCase{"1.5", std::nullopt, std::nullopt, std::nullopt}));

TEST(AsciiCase, OnlyAsciiLettersFold) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Devices", "DEVICES"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("sp.hi", "SP.HI"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("COM1", "COM"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("ý", "Ý"));
    EXPECT_FALSE(
        EqualsIgnoringAsciiCase("[", "{"));  // 0x5B and 0x7B differ by the case bit, but are no letters
}

struct Utf8Case {
    std::string_view text;
    bool valid;
};

class Utf8Check : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Check, AcceptsOnlyWellFormedSequences) {
    EXPECT_EQ(IsValidUtf8(GetParam().text), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Check,
                         ::testing::Values(Utf8Case{"", true}, Utf8Case{"/dev/ttyUSB0", true},
                                           Utf8Case{"čítač", true}, Utf8Case{"\xE2\x82\xAC", true},
                                           Utf8Case{"\xF0\x9F\x98\x80", true},
                                           Utf8Case{"\xF4\x8F\xBF\xBF", true}, Utf8Case{"\xFF", false},
                                           Utf8Case{"\x80", false}, Utf8Case{"\xC4", false},  // cut short
                                           Utf8Case{"\xC0\xAF", false},                       // overlong "/"
                                           Utf8Case{"\xE0\x80\xAF", false},                   // overlong
                                           Utf8Case{"\xED\xA0\x80", false},                   // a surrogate
                                           Utf8Case{"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
                                           Utf8Case{"ab\xE2\x82", false}));

}  // namespace
}  // namespace zt30
