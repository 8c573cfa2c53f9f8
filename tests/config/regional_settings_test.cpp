#include "config/regional_settings_qt.h"

#include <gtest/gtest.h>

namespace zt30 {
namespace {

TEST(RegionalSettings, CzechLocaleUsesComma) {
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    const RegionalSettings settings = RegionalSettingsFor(czech);
    EXPECT_EQ(settings.decimalSeparator, ',');
    EXPECT_EQ(settings.shortDateFormat, czech.dateFormat(QLocale::ShortFormat).toStdString());
    EXPECT_FALSE(settings.longTimeFormat.empty());
    EXPECT_EQ(settings.longTimeFormat.find('t'), std::string::npos);
}

TEST(RegionalSettings, CLocaleUsesFullStop) {
    const RegionalSettings settings = RegionalSettingsFor(QLocale::c());
    EXPECT_EQ(settings.decimalSeparator, '.');
    EXPECT_EQ(settings.longTimeFormat.find('t'), std::string::npos);
    EXPECT_NE(settings.longTimeFormat.find("mm"), std::string::npos);
}

TEST(RegionalSettings, TimeZoneFieldsAreDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"}, {"h:mm:ss AP tttt", "h:mm:ss AP"},
        {"tt HH:mm", "HH:mm"},      {"HH:mm 'at' ss t", "HH:mm 'at' ss"},
        {"H:mm:ss", "H:mm:ss"},     {"'t' HH", "'t' HH"}};
    for (const auto& [pattern, expected] : cases) {
        EXPECT_EQ(WithoutTimeZone(QString::fromUtf8(pattern)), QString::fromUtf8(expected)) << pattern;
    }
}

}  // namespace
}  // namespace zt30
