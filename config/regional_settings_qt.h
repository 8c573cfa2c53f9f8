// Builds the RegionalSettings from a Qt locale: the system's for the program, a chosen one in tests.
#pragma once

#include <QLocale>
#include <QString>

#include "config/regional_settings.h"

namespace zt30 {

// The settings of locale: its decimal point (when it is one ASCII character that cannot be part of a number
// otherwise, else a full stop), its short date format and its long time format without the time zone.
RegionalSettings RegionalSettingsFor(const QLocale& locale);

// RegionalSettingsFor(QLocale::system()).
RegionalSettings SystemRegionalSettings();

// A Qt time pattern without its time-zone fields ("t" to "tttt" outside quotes) and the blanks before them.
QString WithoutTimeZone(const QString& pattern);

}  // namespace zt30
