// The writing module: the entry "zipwr" of libzipwr.so. Add, freshen,
// update, delete, repair and conversion to a self-extracting program;
// everything on the calling thread, every callback before the entry returns.
#include <new>

#include "engine/zipcontract.h"
#include "ziplib/common/zipreport.h"
#include "ziplib/writer/archivelock.h"
#include "ziplib/writer/repair.h"
#include "ziplib/writer/sfxconvert.h"
#include "ziplib/writer/tempfile.h"
#include "ziplib/writer/updater.h"
#include "ziplib/writer/writerargs.h"

namespace tovo::zip {
namespace {

int run(int version, int argc, char **argv, TovoZipCallback callback, void *user)
{
    if (version != TOVO_ZIP_CONTRACT_VERSION)
        return TOVO_ZIP_ERR_PARAMETERS;
    WriterArgs args;
    if (const int code = ParseWriterArgs(argc, argv, args); code != 0)
        return code;
    Reporter reporter(callback, user);
    // A command that rewrites the archive holds its lock throughout, and
    // first clears the temporary files killed runs left beside it.
    ArchiveLock lock;
    if (args.command != WriterCommand::ConvertToSfx) {
        const std::string path = ResolvedArchivePath(args.archive);
        const bool create = args.command == WriterCommand::Add || args.command == WriterCommand::Update;
        if (const int code = lock.acquire(path, create); code != 0)
            return code;
        RemoveStaleTemporaries(path);
    }
    switch (args.command) {
    case WriterCommand::Add:
    case WriterCommand::Freshen:
    case WriterCommand::Update: {
        // "-Y" with an add: the program is made from the archive once it is
        // written.
        const int added = RunAdd(args, reporter);
        if (!args.selfExtractor || added >= 100)
            return added;
        const int converted = RunConvertToSfx(args, reporter);
        return converted != 0 ? converted : added;
    }
    case WriterCommand::Delete:
        return RunDelete(args, reporter);
    case WriterCommand::Fix:
        return RunFix(args, reporter, false);
    case WriterCommand::FixHarder:
        return RunFix(args, reporter, true);
    case WriterCommand::ConvertToSfx:
        return RunConvertToSfx(args, reporter);
    }
    return TOVO_ZIP_ERR_PARAMETERS;
}

} // namespace
} // namespace tovo::zip

extern "C" __attribute__((visibility("default"))) int zipwr(int version, int argc, char **argv,
                                                            TovoZipCallback callback, void *user)
{
    // Nothing may escape into the caller: a failed allocation is a code like
    // any other failure.
    try {
        return tovo::zip::run(version, argc, argv, callback, user);
    } catch (const std::bad_alloc &) {
        return TOVO_ZIP_ERR_MEMORY;
    } catch (...) {
        return TOVO_ZIP_ERR_FATAL;
    }
}
