// The label store: the input read as a compiled store on its own, then as a
// labels file compiled into a new store and read back.
#include "fuzz/fuzzsupport.h"

#include <sys/stat.h>

#include <QString>

#include "shell/labelstore.h"

TOVO_FUZZ_TARGET(labelstore)
{
    const std::string dir = tovo::fuzz::ScratchDir() + "/labels";
    tovo::fuzz::RemoveTree(dir);
    ::mkdir(dir.c_str(), 0700);
    const QString progDir = QString::fromStdString(dir);
    const std::string store = dir + "/" + tovo::LabelStoreFileName.toStdString();
    const std::string labels = dir + "/" + tovo::LabelsFileName.toUtf8().toStdString();
    // A fixed key source, so a finding replays.
    const tovo::LabelRandom random = [](int bound) { return bound / 2; };

    tovo::fuzz::WriteWholeFile(store, data, size);
    const tovo::LabelLoadResult fromStore = tovo::LoadLabelFiles(progDir, random);
    if (fromStore.fatalErrors.isEmpty() && qsizetype(size) != fromStore.labels.size() * tovo::LabelRecordSize)
        tovo::fuzz::PropertyFailed("a store read without error gave the wrong number of labels");

    ::unlink(store.c_str());
    tovo::fuzz::WriteWholeFile(labels, data, size);
    const tovo::LabelLoadResult compiled = tovo::LoadLabelFiles(progDir, random);
    (void)compiled;
    tovo::fuzz::RemoveTree(dir);
    return 0;
}
