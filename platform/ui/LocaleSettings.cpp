#include "platform/ui/LocaleSettings.h"

namespace velt {

TFormatSettings LocaleFormatSettings(const QLocale& locale) {
    TFormatSettings s;
    const QString point = locale.decimalPoint(), group = locale.groupSeparator();
    if (!point.isEmpty()) s.DecimalSeparator = point.toStdString();
    // Grouping with the decimal point itself would make numbers unreadable.
    if (!group.isEmpty() && group != point) s.ThousandSeparator = group.toStdString();
    else s.ThousandSeparator = s.DecimalSeparator == "," ? "." : ",";
    s.CurrencyString = locale.currencySymbol().toStdString();
    return s;
}

void LoadLocaleFormatSettings() { FormatSettings() = LocaleFormatSettings(QLocale()); }

}  // namespace velt
