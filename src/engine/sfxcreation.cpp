#include "engine/sfxcreation.h"

#include "engine/tzipengine.h"
#include "shell/paths.h"

namespace tovo {

QString SfxProgramName(const QString &archive)
{
    const QString leaf = FileNamePart(archive);
    const qsizetype keep = archive.size() - std::min<qsizetype>(3, leaf.size());
    return archive.left(keep) + QStringLiteral("EXE");
}

bool IsSfxSourceRefused(const QString &archive)
{
    if (archive.isEmpty())
        return true;
    const QString leaf = FileNamePart(archive);
    const qsizetype dot = leaf.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && leaf.mid(dot + 1).toUpper().contains(QStringLiteral("EXE"));
}

void ApplyTovoSfxSettings(TZipEngine &engine, const QString &stubDirectory, bool passwordProtected,
                          const QString &caption)
{
    engine.SfxOption1 = true;
    engine.SfxOption2 = true;
    engine.SfxOption3 = true;
    engine.SfxOption4 = false;
    engine.SfxPasswordProtected = passwordProtected;
    engine.SfxChoice = 0;
    engine.SfxText1.clear();
    engine.SfxText2.clear();
    engine.SfxText3.clear();
    engine.SfxText5.clear();
    engine.SfxLines1.clear();
    engine.SfxLines2.clear();
    for (int i = 0; i < 3; ++i)
        engine.SetSfxShowMessage(i, true);
    engine.SetSfxShowMessage(3, false);
    engine.SetSfxShowMessage(4, false);
    engine.SfxBinary = AddBackslash(stubDirectory) + SfxStubFileName;

    // Message 4 is not written: it keeps its (empty) text.
    const QString messages[] = {QStringLiteral("Fichiers correctement extraits."),
                                QStringLiteral("Erreur lors de l'extraction."),
                                QStringLiteral("Cr\u00e9ation du r\u00e9pertoire '%d' impossible"), QString()};
    for (int i = 0; i < 4; ++i)
        engine.SetSfxMessages(i, messages[i]);
    const QString prompts[] = {QStringLiteral("Choisissez le r\u00e9pertoire d'extraction:"),
                               QStringLiteral("Mot de passe:"),
                               QString(),
                               QString(),
                               QStringLiteral("\u00cates-vous certain(e) de vouloir abandonner?"),
                               QStringLiteral("Le r\u00e9pertoire '%d' n'existe pas. Faut-il le cr\u00e9er?"),
                               QStringLiteral("Le fichier '%f' Existe d\u00e9j\u00e0. Faut-il le remplacer?")};
    for (int i = 0; i < 7; ++i)
        engine.SetSfxPrompts(i, prompts[i]);
    const QString captions[] = {QStringLiteral("Extraction du fichier :"),
                                QStringLiteral("Progression:"),
                                caption,
                                QStringLiteral("R\u00e9pertoire d'extraction:"),
                                QStringLiteral("%s sur '%c'"),
                                QStringLiteral("R\u00e9pertoire d'extraction :")};
    for (int i = 0; i < 6; ++i)
        engine.SetSfxCaptions(i, captions[i]);
    const QString buttons[] = {QStringLiteral("&Ok!"),     QStringLiteral("&Annuler"),         QStringLiteral("&Abandon"),
                               QStringLiteral("&Passer"),  QStringLiteral("&Toujours Passer"), QStringLiteral("&Oui"),
                               QStringLiteral("&Non"),     QStringLiteral("To&us"),            QStringLiteral("&Aucun"),
                               QStringLiteral("&Poursuivre"), QStringLiteral("Sortir"),        QStringLiteral("Accepter"),
                               QStringLiteral("Refuser")};
    for (int i = 0; i < 13; ++i)
        engine.SetSfxButtons(i, buttons[i]);
}

} // namespace tovo
