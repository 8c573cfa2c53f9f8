#include "config/regional_settings_qt.h"

namespace zt30 {

namespace {

// A separator the float parser could confuse with another part of a number is not usable.
bool IsUsableSeparator(QChar c) {
    const char16_t u = c.unicode();
    return u > 0x20 && u < 0x7F && !(u >= '0' && u <= '9') && u != '+' && u != '-' && u != 'e' && u != 'E';
}

}  // namespace

QString WithoutTimeZone(const QString& pattern) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            result += c;
            continue;
        }
        if (!quoted && c == u't') {
            while (i + 1 < pattern.size() && pattern.at(i + 1) == u't') {
                ++i;
            }
            while (!result.isEmpty() && result.back().isSpace()) {
                result.chop(1);
            }
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

RegionalSettings RegionalSettingsFor(const QLocale& locale) {
    RegionalSettings settings;
    const QString point = locale.decimalPoint();
    if (point.size() == 1 && IsUsableSeparator(point.at(0))) {
        settings.decimalSeparator = static_cast<char>(point.at(0).unicode());
    }
    settings.shortDateFormat = locale.dateFormat(QLocale::ShortFormat).toStdString();
    settings.longTimeFormat = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)).toStdString();
    for (int month = 1; month <= 12; ++month) {
        settings.shortMonthNames[month - 1] = locale.monthName(month, QLocale::ShortFormat).toStdString();
        settings.longMonthNames[month - 1] = locale.monthName(month, QLocale::LongFormat).toStdString();
    }
    for (int day = 1; day <= 7; ++day) {
        settings.shortDayNames[day - 1] = locale.dayName(day, QLocale::ShortFormat).toStdString();
        settings.longDayNames[day - 1] = locale.dayName(day, QLocale::LongFormat).toStdString();
    }
    settings.amText = locale.amText().toStdString();
    settings.pmText = locale.pmText().toStdString();
    return settings;
}

LocalDateTime LocalDateTimeOf(const QDateTime& at) {
    const QDate date = at.date();
    const QTime time = at.time();
    return LocalDateTime{date.year(), date.month(),  date.day(),    date.dayOfWeek(),
                         time.hour(), time.minute(), time.second(), time.msec()};
}

RegionalSettings SystemRegionalSettings() {
    return RegionalSettingsFor(QLocale::system());
}

}  // namespace zt30
