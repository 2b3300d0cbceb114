#include "cli/clirequest.h"

#include "engine/sfxcreation.h"
#include "engine/tzipengine.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/paths.h"

namespace tovo {
namespace {

struct VerbInfo {
    const char *name;
    CliVerb verb;
    const char *options; // option letters it accepts; "p:" takes a value
    bool names;          // takes names after the archive
    bool namesRequired;
};

constexpr VerbInfo verbs[] = {
    {"list", CliVerb::List, "p:", false, false},
    {"test", CliVerb::Test, "p:", false, false},
    {"extract", CliVerb::Extract, "d:p:onj", true, false},
    {"add", CliVerb::Add, "rjp:m0123456789", true, true},
    {"freshen", CliVerb::Freshen, "p:", true, false},
    {"delete", CliVerb::Delete, "", true, true},
    {"fix", CliVerb::Fix, "", false, false},
    {"sfx", CliVerb::Sfx, "p:", false, false},
};

// Whether verb accepts the one-letter option, and whether it takes a value.
bool accepts(const VerbInfo &verb, QChar letter, bool &takesValue)
{
    const QString options = QString::fromLatin1(verb.options);
    const qsizetype at = options.indexOf(letter);
    if (at < 0)
        return false;
    takesValue = at + 1 < options.size() && options.at(at + 1) == QLatin1Char(':');
    return true;
}

CliParseResult failure(const QString &error) { return {std::nullopt, error}; }

} // namespace

CliParseResult ParseCliArguments(const QStringList &args, const QString &progDir)
{
    if (args.isEmpty())
        return failure(QStringLiteral("commande manquante"));
    const VerbInfo *verb = nullptr;
    for (const VerbInfo &v : verbs) {
        if (args.first() == QLatin1String(v.name))
            verb = &v;
    }
    if (!verb)
        return failure(QStringLiteral("commande inconnue : %1").arg(args.first()));
    if (args.size() < 2 || args.at(1).isEmpty() || args.at(1).startsWith(QLatin1Char('-')))
        return failure(QStringLiteral("archive manquante"));

    CliRequest request;
    request.verb = verb->verb;
    ZipSettings &s = request.settings;
    s.ZipFileName = args.at(1);
    QStringList names;
    bool overwriteGiven = false;
    bool optionsEnded = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            names << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--harder") && verb->verb == CliVerb::Fix) {
            request.harder = true;
            continue;
        }
        bool takesValue = false;
        if (arg.size() != 2 || !accepts(*verb, arg.at(1), takesValue))
            return failure(QStringLiteral("option inconnue pour %1 : %2").arg(QLatin1String(verb->name), arg));
        QString value;
        if (takesValue) {
            if (++i >= args.size())
                return failure(QStringLiteral("l\u2019option %1 demande une valeur").arg(arg));
            value = args.at(i);
        }
        const QChar letter = arg.at(1);
        if (letter == QLatin1Char('p')) {
            s.Password = value;
            request.passwordGiven = true;
        } else if (letter == QLatin1Char('d')) {
            s.ExtractDirectory = value;
        } else if (letter == QLatin1Char('o') || letter == QLatin1Char('n')) {
            if (overwriteGiven)
                return failure(QStringLiteral("les options -o et -n s\u2019excluent"));
            overwriteGiven = true;
            s.Overwrite = letter == QLatin1Char('o') ? xowAlways : xowNever;
        } else if (letter == QLatin1Char('j')) {
            s.UsePaths = false;
        } else if (letter == QLatin1Char('r')) {
            s.Recurse = true;
        } else if (letter == QLatin1Char('m')) {
            s.MoveFiles = true;
        } else if (letter.isDigit()) {
            s.Compression = letter.digitValue();
        }
    }

    if (!verb->names && !names.isEmpty())
        return failure(
            QStringLiteral("%1 n\u2019accepte pas de nom : %2").arg(QLatin1String(verb->name), names.first()));
    if (verb->namesRequired && names.isEmpty())
        return failure(QStringLiteral("%1 demande au moins un nom").arg(QLatin1String(verb->name)));
    if (verb->verb == CliVerb::Extract && s.ExtractDirectory.isEmpty())
        return failure(QStringLiteral("extract demande -d R\u00c9PERTOIRE"));
    s.FilesToProcess = names;
    if (verb->verb == CliVerb::Sfx)
        s.SfxBinary = progDir + SfxStubFileName;
    return {request, QString()};
}

int RunCliRequest(TZipEngine &engine, const CliRequest &request)
{
    static_cast<ZipSettings &>(engine) = request.settings;
    switch (request.verb) {
    case CliVerb::List:
        return engine.List();
    case CliVerb::Test:
        return engine.Test();
    case CliVerb::Extract:
        return engine.Extract(xemExtract);
    case CliVerb::Add:
        return engine.Add(xamAdd);
    case CliVerb::Freshen:
        return engine.Add(xamFreshen);
    case CliVerb::Delete:
        return engine.Delete();
    case CliVerb::Fix:
        return engine.Fix(request.harder);
    case CliVerb::Sfx:
        // The program Tovo's EXE button makes; a password marks it as
        // protected, so it checks the password before writing anything.
        ApplyTovoSfxSettings(engine, DirectoryPart(request.settings.SfxBinary),
                             !request.settings.Password.isEmpty(), GetLabel(284) + QLatin1Char(' ') + ApplicationTitle);
        return engine.ConvertToSfx();
    }
    return TOVO_ZIP_ERR_PARAMETERS;
}

int ExitStatusOfCode(int code)
{
    if (code == 0)
        return 0;
    return code >= 1 && code <= 99 ? 1 : 2;
}

QString CliUsage()
{
    return QStringLiteral(
        "Utilisation :\n"
        "  tovo-cli list    ARCHIVE [-p MOT_DE_PASSE]\n"
        "  tovo-cli test    ARCHIVE [-p MOT_DE_PASSE]\n"
        "  tovo-cli extract ARCHIVE -d R\u00c9PERTOIRE [-p MOT_DE_PASSE] [-o|-n] [-j] [NOM...]\n"
        "  tovo-cli add     ARCHIVE [-r] [-j] [-0..-9] [-p MOT_DE_PASSE] [-m] FICHIER...\n"
        "  tovo-cli freshen ARCHIVE [-p MOT_DE_PASSE] [FICHIER...]\n"
        "  tovo-cli delete  ARCHIVE NOM...\n"
        "  tovo-cli fix     ARCHIVE [--harder]\n"
        "  tovo-cli sfx     ARCHIVE [-p MOT_DE_PASSE]\n"
        "Dans les noms affich\u00e9s, \\ s\u2019\u00e9crit \\\\, les caract\u00e8res de contr\u00f4le \\n, \\r, \\t\n"
        "ou \\xHH (code hexad\u00e9cimal), les s\u00e9parateurs de ligne Unicode et les caract\u00e8res\n"
        "qui changent le sens d\u2019\u00e9criture \\uHHHH (\\u2028, \\u202e) :\n"
        "une entr\u00e9e tient toujours sur une ligne.\n"
        "Code de sortie : 0 succ\u00e8s, 1 avertissement, 2 erreur.\n");
}

} // namespace tovo
