#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "engine/zipsettings.h"

namespace tovo {

class TZipEngine;

enum class CliVerb { List, Test, Extract, Add, Freshen, Delete, Fix, Sfx };

// One tovo-cli invocation: the command and the engine settings it runs with.
struct CliRequest {
    CliVerb verb = CliVerb::List;
    ZipSettings settings;
    bool harder = false;        // fix --harder
    bool passwordGiven = false; // -p, even with an empty password: never ask
};

struct CliParseResult {
    std::optional<CliRequest> request;
    QString error; // French, when request is empty
};

// Parses the arguments that follow the program name. Options may come
// anywhere after the archive; "--" makes every later argument a name.
// progDir (with its final separator) locates the self-extractor stub.
CliParseResult ParseCliArguments(const QStringList &args, const QString &progDir);

// Puts the request's settings on the engine and runs its command; returns
// the engine's code.
int RunCliRequest(TZipEngine &engine, const CliRequest &request);

// 0 for success, 1 for a warning (1 to 99), 2 for an error.
int ExitStatusOfCode(int code);

QString CliUsage();

} // namespace tovo
