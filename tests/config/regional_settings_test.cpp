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

// The core's formatter writes what Qt itself writes for the locale's own patterns, names included.
TEST(RegionalSettings, CoreFormatterMatchesQtForEveryLocalesPatterns) {
    const QLocale locales[] = {
        QLocale(QLocale::Czech, QLocale::CzechRepublic),  QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::Slovak, QLocale::Slovakia),      QLocale(QLocale::Japanese, QLocale::Japan)};
    const QDateTime moments[] = {QDateTime(QDate(2024, 1, 2), QTime(7, 5, 9, 42)),
                                 QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999)),
                                 QDateTime(QDate(2026, 6, 15), QTime(0, 0, 0)),
                                 QDateTime(QDate(2026, 6, 14), QTime(12, 30, 0))};
    for (const QLocale& locale : locales) {
        const RegionalSettings regional = RegionalSettingsFor(locale);
        const QStringList patterns = {QString::fromStdString(regional.shortDateFormat),
                                      QString::fromStdString(regional.longTimeFormat),
                                      locale.dateFormat(QLocale::LongFormat), QStringLiteral("ddd MMM")};
        for (const QDateTime& moment : moments) {
            for (const QString& pattern : patterns) {
                EXPECT_EQ(FormatDateTime(LocalDateTimeOf(moment), pattern.toStdString(), regional),
                          locale.toString(moment, pattern).toStdString())
                    << locale.name().toStdString() << " " << pattern.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace zt30
