#include "sfx/sfxoptions.h"

namespace tovo::sfx {

std::vector<std::string> SplitWords(const std::string &text)
{
    std::vector<std::string> words;
    std::string current;
    for (const char c : text + ' ') {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!current.empty())
                words.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return words;
}

std::string ParseSfxOptions(const std::vector<std::string> &args, SfxOptions &options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::optional<std::string> &out) -> std::string {
            if (i + 1 >= args.size())
                return "l\u2019option " + a + " demande une valeur";
            out = args[++i];
            return std::string();
        };
        std::string error;
        if (a == "-d") {
            error = value(options.destination);
            if (error.empty() && options.destination->empty())
                error = "le r\u00e9pertoire de -d est vide";
        } else if (a == "-p") {
            error = value(options.password);
        } else if (a == "-o" || a == "-n") {
            const auto wanted = a == "-o" ? SfxOptions::Overwrite::Always : SfxOptions::Overwrite::Never;
            if (options.overwrite != SfxOptions::Overwrite::Default && options.overwrite != wanted)
                error = "-o et -n s\u2019excluent";
            options.overwrite = wanted;
        } else if (a == "-l") {
            options.list = true;
        } else if (a == "-t") {
            options.test = true;
        } else if (a == "-a") {
            options.acceptLicence = true;
        } else if (a == "-h" || a == "--help") {
            options.help = true;
        } else {
            error = "option inconnue : " + a;
        }
        if (!error.empty())
            return error;
    }
    if (options.list && options.test)
        return "-l et -t s\u2019excluent";
    return std::string();
}

bool HasScriptOptions(int argc, char **argv)
{
    return argc > 1 && argv[1];
}

std::string SfxUsage(const std::string &program)
{
    return "Utilisation : " + program +
           " [-d R\u00c9PERTOIRE] [-o|-n] [-p MOT_DE_PASSE] [-a] [-l|-t] [-h]\n"
           "  -d R\u00c9PERTOIRE     extraire dans ce r\u00e9pertoire (cr\u00e9\u00e9 au besoin), sans le demander\n"
           "  -o                remplacer les fichiers existants sans le demander\n"
           "  -n                ne jamais remplacer un fichier existant\n"
           "  -p MOT_DE_PASSE   mot de passe des fichiers crypt\u00e9s\n"
           "  -a                accepter la licence sans la demander\n"
           "  -l                lister le contenu sans rien extraire\n"
           "  -t                tester le contenu sans rien extraire\n"
           "  -h                afficher cette aide\n"
           "Code de sortie : 0 succ\u00e8s, 1 avertissement ou refus, 2 erreur.\n";
}

} // namespace tovo::sfx
