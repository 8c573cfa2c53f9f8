// Builds the RegionalSettings from a Qt locale: the system's for the program, a chosen one in tests; and the
// local date and time of a QDateTime for the core's formatter. Qt Core only, so zt30ctl shares it.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "config/regional_settings.h"

namespace zt30 {

// The settings of locale: its decimal point (when it is one ASCII character that cannot be part of a number
// otherwise, else a full stop), its short date format, its long time format without the time zone, and the
// month and day names and AM/PM texts those formats may use.
RegionalSettings RegionalSettingsFor(const QLocale& locale);

// RegionalSettingsFor(QLocale::system()).
RegionalSettings SystemRegionalSettings();

// The calendar fields of `at` in its own time spec (local time for the clock's QDateTime::currentDateTime()).
LocalDateTime LocalDateTimeOf(const QDateTime& at);

// A Qt time pattern without its time-zone fields ("t" to "tttt" outside quotes) and the blanks before them.
QString WithoutTimeZone(const QString& pattern);

}  // namespace zt30
