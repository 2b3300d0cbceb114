// tovo-cli: the command-line front end of the archive engine.
#include <cstdio>

#include <QCoreApplication>
#include <QLoggingCategory>

#include "platform/datadir.h"
#include "platform/timezone.h"
#include "cli/clirequest.h"
#include "cli/clisession.h"
#include "cli/terminal.h"
#include "engine/resultcodes.h"
#include "engine/tzipengine.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/paths.h"

using namespace tovo;

int main(int argc, char **argv)
{
    tovo::platform::SettleLocalTimeZone();
    QCoreApplication app(argc, argv);
    // The code and its label say what went wrong; the engine's own log would
    // only repeat it.
    QLoggingCategory::setFilterRules(QStringLiteral("tovo.*=false"));

    SetProgDir(QCoreApplication::applicationDirPath());
    SetDataDir(platform::ChooseDataDir(ProgDir()));
    const CliParseResult parsed = ParseCliArguments(app.arguments().mid(1), ProgDir());
    if (!parsed.request) {
        WriteErr(QStringLiteral("tovo-cli : %1\n%2").arg(parsed.error, CliUsage()));
        return 2;
    }

    DataFile(LabelStoreFileName); // an installed program's first start seeds it
    const LabelLoadResult labels = LoadLabelFiles(ProgDir(), DataDir());
    if (!labels.fatalErrors.isEmpty()) {
        for (const QString &error : labels.fatalErrors)
            WriteErr(QStringLiteral("tovo-cli : %1\n").arg(DisplayText(error)));
        return 2;
    }
    SetLabelTable(labels.labels);

    TZipEngine engine;
    int code = 0;
    {
        CliSession session(engine, *parsed.request);
        code = RunCliRequest(engine, *parsed.request);
    }
    std::fflush(stdout);
    if (code != 0) {
        WriteErr(QStringLiteral("tovo-cli : %1 %2 : %3\n")
                     .arg(code < 100 && code > 0 ? QStringLiteral("avertissement") : QStringLiteral("erreur"))
                     .arg(code)
                     .arg(DisplayText(GetLabel(LabelOfResultCode(code)))));
    }
    return ExitStatusOfCode(code);
}
