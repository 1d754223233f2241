// The user's date and time formats, from a QLocale, for the texts of the views.
#pragma once

#include "recorder/datetime.h"

#include <QLocale>

namespace orvane {

// Short date format, long time format without its time-zone part, the month names, and the
// list separator (';' where the decimal point is a comma, else ','). The application installs
// the result with SetCurrentLocaleFormat at start-up.
TLocaleFormat LocaleFormatFrom(const QLocale& locale);

// Removes the time-zone fields ('t' runs outside quotes) and the blanks they leave behind.
std::string WithoutTimeZone(const std::string& pattern);

} // namespace orvane
