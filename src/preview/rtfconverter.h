#pragma once

#include <QString>

#include <optional>

namespace tovo {

// Turns an RTF document into HTML with the unrtf program ("--html --nopict"),
// started directly with an argument list (never through a shell), its input
// closed and its error output dropped. The event loop runs while it works.
// Nothing comes back when the program is missing, fails, runs longer than
// the time limit or writes more than the output limit (it is then killed),
// or when what it wrote is not a page.
struct RtfConversionLimits {
    int timeoutMs = 20000;
    qint64 maxOutputBytes = 32 * 1024 * 1024;
    QString program = QStringLiteral("unrtf"); // a name looked up in PATH, or a path
};
std::optional<QString> ConvertRtfToHtml(const QString &rtfFile, const RtfConversionLimits &limits = {});

} // namespace tovo
