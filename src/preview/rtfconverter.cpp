#include "preview/rtfconverter.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace tovo {

std::optional<QString> ConvertRtfToHtml(const QString &rtfFile, const RtfConversionLimits &limits)
{
    const QString program = limits.program.contains(QLatin1Char('/'))
                                ? limits.program
                                : QStandardPaths::findExecutable(limits.program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return std::nullopt;

    QProcess process;
    process.setProgram(program);
    // An absolute path, so a file name starting with "-" is never an option.
    process.setArguments({QStringLiteral("--html"), QStringLiteral("--nopict"), QFileInfo(rtfFile).absoluteFilePath()});
    process.setWorkingDirectory(QFileInfo(rtfFile).absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QByteArray output;
    bool overflow = false;
    bool timedOut = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += process.readAllStandardOutput();
        if (output.size() > limits.maxOutputBytes && !overflow) {
            overflow = true;
            process.kill();
        }
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        process.kill();
    });
    process.start();
    if (process.state() != QProcess::NotRunning) {
        timer.start(limits.timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (!overflow)
        output += process.readAllStandardOutput();

    if (overflow || timedOut || output.size() > limits.maxOutputBytes || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0 || process.error() == QProcess::FailedToStart)
        return std::nullopt;
    const QString html = QString::fromUtf8(output);
    if (!html.contains(QLatin1String("<body"), Qt::CaseInsensitive))
        return std::nullopt;
    return html;
}

} // namespace tovo
