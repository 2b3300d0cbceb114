#include "engine/tzipengine.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include "engine/sfxrecord.h"
#include "engine/zipvectors.h"
#include "shell/paths.h"

namespace tovo {
namespace {

template <typename Table>
QString tableText(const Table &table, int index)
{
    return index >= 0 && index < int(table.size()) ? table[index] : QString();
}

template <typename Table, typename Value>
void setTableEntry(Table &table, int index, const Value &value)
{
    if (index >= 0 && index < int(table.size()))
        table[index] = value;
}

} // namespace

TZipEngine::TZipEngine(QObject *parent)
    : QObject(parent),
      m_zipModule(TOVO_ZIP_WRITER_MODULE, TOVO_ZIP_WRITER_ENTRY),
      m_unzipModule(TOVO_ZIP_READER_MODULE, TOVO_ZIP_READER_ENTRY)
{
    ClearArchiveCommentBuffer();
}

TZipEngine::~TZipEngine() = default;

int TZipEngine::Add(TZipAddMode Mode)
{
    m_unzipSide = false;
    return run(Side::Zip, Mode != xamAdd, [&] { return AddVector(*this, Mode); });
}

int TZipEngine::ConvertToSfx()
{
    m_unzipSide = false;
    return run(Side::Zip, true, [&] { return ConvertToSfxVector(*this); });
}

int TZipEngine::Delete()
{
    return run(Side::Zip, true, [&] { return DeleteVector(*this); });
}

int TZipEngine::Fix(bool Harder)
{
    return run(Side::Zip, true, [&] { return FixVector(*this, Harder); });
}

int TZipEngine::Extract(TZipExtractMode Mode)
{
    m_unzipSide = true;
    return run(Side::Unzip, Mode != xemExtract, [&] { return ExtractVector(*this, Mode); });
}

int TZipEngine::List()
{
    return run(Side::Unzip, false, [&] { return ListVector(*this); });
}

int TZipEngine::Test()
{
    m_unzipSide = true;
    return run(Side::Unzip, false, [&] { return TestVector(*this); });
}

int TZipEngine::run(Side side, bool refused, const std::function<QStringList()> &buildVector)
{
    // Runs on every way out, a refusal or an exception included.
    struct Frame {
        TZipEngine *engine;
        ~Frame()
        {
            engine->Abort = false;
            engine->FilesToProcess.clear();
        }
    } frame{this};

    if (refused && MultidiskMode)
        return ResultMultidiskRefused;
    return callModule(side, buildVector());
}

int TZipEngine::callModule(Side side, const QStringList &args)
{
    // Fresh copies of the elements, and the settings record where the vector
    // holds its marker; they live until the module returns.
    std::unique_ptr<SfxRecord> record;
    std::vector<std::string> texts;
    texts.reserve(args.size());
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (const QString &element : args) {
        if (element == SfxRecordMarker) {
            if (!record)
                record = std::make_unique<SfxRecord>(*this, m_sfxTables);
            argv.push_back(const_cast<char *>(reinterpret_cast<const char *>(record->record())));
        } else {
            texts.push_back(element.toStdString());
            argv.push_back(texts.back().data());
        }
    }
    argv.push_back(nullptr);

    Abort = false;
    m_libraryMissing = false;
    m_lastDispatch = -1;
    ZipModule &module = side == Side::Zip ? m_zipModule : m_unzipModule;
    const TovoZipEntry entry = module.entry(ModuleDirectory());
    if (!entry) {
        m_libraryMissing = true;
        return ResultLibraryMissing;
    }
    // A password answered at the end of the previous command must not make
    // the first query of this one look like a repeated query.
    m_passwordSupplied = false;
    m_handlerException = nullptr;
    const int result = entry(TOVO_ZIP_CONTRACT_VERSION, int(args.size()), argv.data(), &EngineCallback, this);
    if (m_handlerException)
        std::rethrow_exception(std::exchange(m_handlerException, nullptr));
    return result;
}

QString TZipEngine::ModuleDirectory() const
{
    if (!m_moduleDirectory.isEmpty())
        return m_moduleDirectory;
    if (!ProgDir().isEmpty())
        return ProgDir();
    // Without a known program directory the modules are not looked for at
    // all, rather than in the current directory.
    return QCoreApplication::instance() ? AddBackslash(QCoreApplication::applicationDirPath()) : QString();
}

void TZipEngine::SetModuleDirectory(const QString &directory)
{
    m_moduleDirectory = AddBackslash(directory);
    m_zipModule.unload();
    m_unzipModule.unload();
}

QString TZipEngine::SfxMessages(int index) const { return tableText(m_sfxTables.messages, index); }
void TZipEngine::SetSfxMessages(int index, const QString &text) { setTableEntry(m_sfxTables.messages, index, text); }
QString TZipEngine::SfxPrompts(int index) const { return tableText(m_sfxTables.prompts, index); }
void TZipEngine::SetSfxPrompts(int index, const QString &text) { setTableEntry(m_sfxTables.prompts, index, text); }
QString TZipEngine::SfxCaptions(int index) const { return tableText(m_sfxTables.captions, index); }
void TZipEngine::SetSfxCaptions(int index, const QString &text) { setTableEntry(m_sfxTables.captions, index, text); }
QString TZipEngine::SfxButtons(int index) const { return tableText(m_sfxTables.buttons, index); }
void TZipEngine::SetSfxButtons(int index, const QString &text) { setTableEntry(m_sfxTables.buttons, index, text); }

bool TZipEngine::SfxShowMessage(int index) const
{
    return index >= 0 && index < int(m_sfxTables.showMessage.size()) && m_sfxTables.showMessage[index];
}

void TZipEngine::SetSfxShowMessage(int index, bool show) { setTableEntry(m_sfxTables.showMessage, index, show); }

} // namespace tovo
