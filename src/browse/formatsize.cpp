#include "browse/formatsize.h"

#include "shell/labeltable.h"

namespace tovo {

QString FormatSize(double value, const QLocale &locale)
{
    if (value < 1024)
        return QString::number(value, 'g', 15) + GetLabel(256);
    const double kib = value / 1024;
    if (kib <= 1024)
        return locale.toString(kib, 'f', 2) + GetLabel(257);
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value / 1048576, 'f', 2).rightJustified(4, QLatin1Char(' ')) + GetLabel(258);
}

} // namespace tovo
