#include "preview/previewrules.h"

#include "shell/paths.h"

#include <QStringList>

namespace tovo {

QString PreviewExtension(const QString &fileName)
{
    const QString name = FileNamePart(fileName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

PreviewClass ClassOfFile(const QString &fileName, bool htmlRendered)
{
    static const QStringList noPreview{
        QStringLiteral(".EXE"), QStringLiteral(".COM"), QStringLiteral(".DLL"), QStringLiteral(".OVL"),
        QStringLiteral(".PIF"), QStringLiteral(".ZIP"), QStringLiteral(".OCX"), QStringLiteral(".HLP"),
        QStringLiteral(".JS"),  QStringLiteral(".WAV"), QStringLiteral(".AVI"), QStringLiteral(".MOV"),
        QStringLiteral(".MPG"), QStringLiteral(".MPE"), QStringLiteral(".MP3"), QStringLiteral(".MID"),
        QStringLiteral(".DCU"), QStringLiteral(".DFM"), QStringLiteral(".JAR")};
    static const QStringList stillImages{QStringLiteral(".JPG"), QStringLiteral(".JPEG"), QStringLiteral(".TIF"),
                                         QStringLiteral(".PCX"), QStringLiteral(".BMP"),  QStringLiteral(".PNG"),
                                         QStringLiteral(".ICO"), QStringLiteral(".WMF"),  QStringLiteral(".JPE")};
    const QString extension = PreviewExtension(fileName);
    if (noPreview.contains(extension))
        return PreviewClass::NoPreview;
    if (stillImages.contains(extension))
        return PreviewClass::StillImage;
    if (extension.contains(QLatin1String(".GIF")))
        return PreviewClass::Gif;
    if (extension.contains(QLatin1String(".RTF")))
        return PreviewClass::Rtf;
    if (htmlRendered && extension.contains(QLatin1String(".HTM")))
        return PreviewClass::Html;
    return PreviewClass::Text;
}

bool OpensFrameset(const QString &line) { return line.toUpper().contains(QLatin1String("<FRAMESET")); }

std::optional<QString> PreviewCopyPath(const QString &tempDir, const QString &entryName)
{
    const QString name = FileNamePart(entryName);
    if (tempDir.isEmpty() || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QChar(0)))
        return std::nullopt;
    return AddBackslash(tempDir) + name;
}

QString LinkFileName(const QString &target) { return FileNamePart(target, QStringLiteral("/\\")); }

bool OpensInDefaultProgram(const QString &target)
{
    return target.startsWith(QLatin1String("http")) || target.startsWith(QLatin1String("ftp"));
}

} // namespace tovo
