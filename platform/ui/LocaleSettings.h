#pragma once
// The locale's number settings for the foundation's formatting.

#include <QLocale>

#include "foundation/FormatFloat.h"

namespace velt {

// Decimal and group separators and the currency symbol of locale.
TFormatSettings LocaleFormatSettings(const QLocale& locale);
// FormatSettings() := the settings of the default QLocale (the system's
// unless the program chose one). Hosts call it at start-up.
void LoadLocaleFormatSettings();

}  // namespace velt
