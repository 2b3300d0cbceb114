// tovo-cli: the command-line front end of the archive engine.
#include <cstdio>
#include <optional>

#include <QCoreApplication>
#include <QLoggingCategory>

#include "browse/repairbackup.h"
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

    // A repair keeps the damaged original beside the archive when it drops
    // entries, as the window does.
    std::optional<RepairBackup> backup;
    if (parsed.request->verb == CliVerb::Fix) {
        backup.emplace(parsed.request->settings.ZipFileName);
        if (!backup->ready()) {
            WriteErr(QStringLiteral("tovo-cli : %1\n").arg(DisplayText(GetLabel(238))));
            return 2;
        }
    }

    TZipEngine engine;
    bool dropped = false;
    engine.OnSkippingFile = [&dropped](TZipEngine *, const TZipSkipping &skipped) {
        dropped = dropped || skipped.Reason == TOVO_ZIP_SKIP_UNSUPPORTED;
    };
    int code = 0;
    {
        CliSession session(engine, *parsed.request);
        code = RunCliRequest(engine, *parsed.request);
    }
    std::fflush(stdout);
    if (backup) {
        const bool repaired = code == 0 || code == TOVO_ZIP_WARN_SKIPPED;
        if (const QString kept = backup->keepIfDropped(repaired && dropped); !kept.isEmpty())
            WriteErr(QStringLiteral("tovo-cli : %1 %2\n").arg(DisplayText(GetLabel(237)), kept));
    }
    if (code != 0) {
        WriteErr(QStringLiteral("tovo-cli : %1 %2 : %3\n")
                     .arg(code < 100 && code > 0 ? QStringLiteral("avertissement") : QStringLiteral("erreur"))
                     .arg(code)
                     .arg(DisplayText(GetLabel(LabelOfResultCode(code)))));
    }
    return ExitStatusOfCode(code);
}
