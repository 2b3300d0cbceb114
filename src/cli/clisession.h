#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include "cli/clirequest.h"

namespace tovo {

class TZipEngine;

// Binds tovo-cli's handlers to the engine for one request: the listing on
// standard output, the questions on the terminal, and a progress line on
// standard error when it is a terminal.
class CliSession {
public:
    CliSession(TZipEngine &engine, const CliRequest &request);
    ~CliSession();
    CliSession(const CliSession &) = delete;
    CliSession &operator=(const CliSession &) = delete;

private:
    void clearProgress();
    void progress(const QString &verb, const QString &name, const QString &detail = QString());

    TZipEngine &m_engine;
    bool m_progressShown = false;
    QElapsedTimer m_lastProgress;
};

// One line of the listing: sizes, date and stored name, separated by tabs.
QString ListingLine(qint64 size, qint64 compressedSize, const QDateTime &dateTime, const QString &name);

} // namespace tovo
