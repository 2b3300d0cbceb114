#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable gtest failure messages for Qt strings: one quoted element a line,
// control characters shown as \xHH.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"';
    for (const char c : s.toUtf8()) {
        if (static_cast<unsigned char>(c) < 0x20)
            *os << "\\x" << std::hex << int(c) << std::dec;
        else
            *os << c;
    }
    *os << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << "{\n";
    for (const QString &s : list) {
        *os << "  ";
        PrintTo(s, os);
        *os << '\n';
    }
    *os << '}';
}
