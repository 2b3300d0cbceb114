#include "engine/zipvectors.h"

#include <algorithm>

namespace tovo {
namespace {

void appendSfxElements(QStringList &args, const ZipSettings &s)
{
    args << QStringLiteral("-Y") << s.SfxBinary << s.SfxArgument << SfxRecordMarker;
}

void appendTempPath(QStringList &args, const ZipSettings &s)
{
    if (!s.TempPath.isEmpty())
        args << QStringLiteral("-b") << s.TempPath;
}

void appendUnzipParams(QStringList &args, const ZipSettings &s)
{
    args << QStringLiteral("-1") + QString::number(s.UnzipParam1)
         << QStringLiteral("-2") + QString::number(s.UnzipParam2);
}

} // namespace

void AppendFileList(QStringList &args, const QStringList &files, bool withIncludes)
{
    QStringList includes;
    QStringList excludes;
    bool appended = false;
    for (const QString &line : files) {
        if (line.isEmpty())
            continue;
        if (withIncludes && line.startsWith(QLatin1Char('>')))
            includes << line.mid(1);
        else if (line.startsWith(QLatin1Char('<')))
            excludes << line.mid(1);
        else {
            args << line;
            appended = true;
        }
    }
    if (!appended)
        return;
    if (!includes.isEmpty())
        args << QStringLiteral("-i") << includes;
    if (!excludes.isEmpty())
        args << QStringLiteral("-x") << excludes;
}

QStringList AddVector(const ZipSettings &s, TZipAddMode mode)
{
    QStringList args{s.Password};
    if (mode == xamFreshen)
        args << QStringLiteral("-f");
    else if (mode == xamUpdate)
        args << QStringLiteral("-u");
    if (!s.Password.isEmpty())
        args << QStringLiteral("-e");
    // An out-of-range level would make an option the modules do not know.
    args << QStringLiteral("-") + QString::number(std::clamp(s.Compression, 0, 9));
    if (s.MoveFiles)
        args << QStringLiteral("-m");
    if (s.IncludeHiddenFiles && mode != xamFreshen)
        args << QStringLiteral("-S");
    if (s.UsePaths && s.IncludeDirectoryEntries && mode != xamFreshen)
        args << QStringLiteral("-D");
    if (s.IncludeVolumeLabel && mode == xamAdd)
        args << QStringLiteral("-$");
    if (s.Recurse)
        args << QStringLiteral("-r");
    if (!s.UsePaths)
        args << QStringLiteral("-j");
    if (s.SelfExtracting)
        appendSfxElements(args, s);
    if (!s.UseTempFile)
        args << QStringLiteral("-g");
    appendTempPath(args, s);
    if (!s.StoredExtensions.isEmpty())
        args << QStringLiteral("-n") << s.StoredExtensions;
    if (s.MultidiskMode)
        args << QStringLiteral("-!");
    if (s.ClearDisks)
        args << QStringLiteral("-&");
    args << QStringLiteral("-t") << s.DateFilter.date().toString(QStringLiteral("ddMMyyyy"));
    args << s.ZipFileName << QStringLiteral("-W");
    AppendFileList(args, s.FilesToProcess, true);
    return args;
}

QStringList ConvertToSfxVector(const ZipSettings &s)
{
    QStringList args{s.Password, QStringLiteral("-M")};
    appendSfxElements(args, s);
    if (!s.UseTempFile)
        args << QStringLiteral("-g");
    appendTempPath(args, s);
    args << s.ZipFileName;
    return args;
}

QStringList DeleteVector(const ZipSettings &s)
{
    QStringList args{s.Password, QStringLiteral("-d")};
    appendTempPath(args, s);
    args << s.ZipFileName;
    AppendFileList(args, s.FilesToProcess, true);
    return args;
}

QStringList FixVector(const ZipSettings &s, bool harder)
{
    return {s.Password, harder ? QStringLiteral("-FF") : QStringLiteral("-F"), s.ZipFileName};
}

QStringList ExtractVector(const ZipSettings &s, TZipExtractMode mode)
{
    QStringList args{s.Password};
    if (mode == xemFreshen)
        args << QStringLiteral("-f");
    else if (mode == xemUpdate)
        args << QStringLiteral("-u");
    appendUnzipParams(args, s);
    if (!s.UsePaths)
        args << QStringLiteral("-j");
    if (s.MultidiskMode)
        args << QStringLiteral("-!");
    if (s.Overwrite == xowNever)
        args << QStringLiteral("-n");
    else if (s.Overwrite == xowAlways)
        args << QStringLiteral("-o");
    args << s.ZipFileName;
    AppendFileList(args, s.FilesToProcess, false);
    if (!s.ExtractDirectory.isEmpty())
        args << QStringLiteral("-d") << s.ExtractDirectory;
    return args;
}

QStringList ListVector(const ZipSettings &s)
{
    QStringList args{s.Password, QStringLiteral("-v")};
    appendUnzipParams(args, s);
    if (s.MultidiskMode)
        args << QStringLiteral("-!");
    args << s.ZipFileName;
    AppendFileList(args, s.FilesToProcess, false);
    return args;
}

QStringList TestVector(const ZipSettings &s)
{
    QStringList args{s.Password};
    if (s.MultidiskMode)
        args << QStringLiteral("-!");
    args << QStringLiteral("-t") << s.ZipFileName;
    AppendFileList(args, s.FilesToProcess, false);
    return args;
}

} // namespace tovo
