#pragma once

#include <QLocale>
#include <QString>

namespace tovo {

// A byte count for people: below 1024 the plain number and label 256
// (bytes); up to 1024 KiB two decimals with the locale's separators and
// label 257; beyond, megabytes with two decimals and label 258.
QString FormatSize(double value, const QLocale &locale = QLocale());

} // namespace tovo
