// The settings file: every value the program reads, through the same
// accessors, and the window placement made from them.
#include "fuzz/fuzzsupport.h"

#include <QRect>
#include <QSize>
#include <QString>

#include "shell/settingsstore.h"

TOVO_FUZZ_TARGET(settings)
{
    const std::string path = tovo::fuzz::ScratchDir() + "/tovo.ini";
    tovo::fuzz::WriteWholeFile(path, data, size);
    tovo::SettingsStore store(QString::fromStdString(path));
    static const char *const texts[] = {"Police", "Rep", "RepAjout", "RepExtract", "RepCourant"};
    static const char *const flags[] = {"HTML", "Bulles", "DesacTaille", "DesacTest"};
    for (const char *name : texts)
        (void)store.readText(QString::fromLatin1(name), QString());
    for (const char *name : flags)
        (void)store.readBool(QString::fromLatin1(name), false);
    tovo::SavedPlacement saved;
    saved.top = store.readInt(QStringLiteral("Top"), 1);
    saved.left = store.readInt(QStringLiteral("Left"), 1);
    saved.height = store.readInt(QStringLiteral("Height"), 400);
    saved.width = store.readInt(QStringLiteral("Width"), 600);
    (void)store.readInt(QStringLiteral("Taille"), 10);
    (void)store.readInt(QStringLiteral("Etat"), 2);
    (void)store.readInt(QStringLiteral("Splitter1"), 200);
    (void)store.readInt(QStringLiteral("Splitter2"), 200);
    const QSize screen(1280, 900);
    const QRect placed = tovo::ResolvePlacement(saved, QRect(1, 1, 600, 400), screen);
    if (placed.left() < 0 || placed.top() < 0 || placed.left() >= screen.width() || placed.top() >= screen.height())
        tovo::fuzz::PropertyFailed("a saved placement puts the window off the screen");
    return 0;
}
