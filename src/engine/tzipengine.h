#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/zipcontract.h"
#include "engine/zipevents.h"
#include "engine/zipmodule.h"
#include "engine/zipsettings.h"

namespace tovo {

// The codes the engine produces itself.
inline constexpr int ResultLibraryMissing = TOVO_ZIP_ERR_LIBRARY_MISSING;
inline constexpr int ResultMultidiskRefused = TOVO_ZIP_ERR_MULTIDISK_REFUSED;

// The archive comment relayed between commands (messages 130 and 140), shared
// by every engine of the process; at most 255 characters.
QString ArchiveCommentBuffer();
void ClearArchiveCommentBuffer();

// The callback handed to the modules with every command; user is the engine
// running the command.
int EngineCallback(int message, void *data, void *user);

// A DOS date-time as a local date and time; a value out of range or naming no
// real date or time gives 1 January 1980 00:00.
QDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime);

// The archive engine: holds the settings of one operation (the public fields
// of ZipSettings and SfxSettings), turns one command into an argument vector,
// calls the module of the command's side synchronously, and turns each
// callback message into one of its events. A command returns the module's
// code unchanged, or 240 (module missing) or 430 (multi-disk refusal).
//
// Calling order: set the settings, fill FilesToProcess, call one command.
// Events arrive on the calling thread, nested inside the call. When the
// command returns, FilesToProcess is empty and Abort is false, whatever the
// result.
class TZipEngine : public QObject, public ZipSettings, public SfxSettings {
    Q_OBJECT
public:
    explicit TZipEngine(QObject *parent = nullptr);
    ~TZipEngine() override;

    // --- commands ---
    int Add(TZipAddMode Mode);
    int ConvertToSfx();
    int Delete();
    int Fix(bool Harder);
    int Extract(TZipExtractMode Mode);
    int List();
    int Test();

    // --- public state ---
    // A request to interrupt the running command: while it is true every
    // answer of the callback is 1. Cleared before and after each module call.
    bool Abort = false;
    // Least time in milliseconds between two rounds of the event loop run
    // from the callback (the first message of a command always gets one):
    // 25 rounds a second keep the window and the stop button responsive,
    // and each round may repaint the whole window.
    int DispatchInterval = 40;
    // True when the last command found no module or no entry (result 240).
    bool LibraryMissing() const { return m_libraryMissing; }
    // What the last messages 70 and 90 delivered.
    int LibraryValue() const { return m_libraryValue; }
    const TZipFileStats &LibraryStats() const { return m_libraryStats; }

    // --- self-extractor tables, one text per index; an index outside a table
    // reads as empty and is not written ---
    QString SfxMessages(int index) const;
    void SetSfxMessages(int index, const QString &text);
    QString SfxPrompts(int index) const;
    void SetSfxPrompts(int index, const QString &text);
    QString SfxCaptions(int index) const;
    void SetSfxCaptions(int index, const QString &text);
    QString SfxButtons(int index) const;
    void SetSfxButtons(int index, const QString &text);
    bool SfxShowMessage(int index) const;
    void SetSfxShowMessage(int index, bool show);

    // Where the modules are looked for: ProgDir unless set. Changing it
    // unloads the modules, so the next command loads them from there.
    QString ModuleDirectory() const;
    void SetModuleDirectory(const QString &directory);

    // --- events; an unassigned event is skipped and nothing is written back ---
    TZipFileStatsEvent OnAdding;
    TZipFileNameEvent OnDeleting;
    TZipFileStatsEvent OnExtracting;
    TZipFileCommentEvent OnFileComment;
    TZipFileNameEvent OnFixing;
    TZipGlobalStatsEvent OnGlobalStatus;
    TZipFileStatsEvent OnListing;
    TZipReplaceEvent OnReplace;
    TZipRenameEvent OnRename;
    TZipPwdQueryEvent OnPwdQuery; // raised only while Password is empty
    TZipFileStatsEvent OnTesting;
    TZipFileStatsEvent OnUpdating;
    TZipSkippingEvent OnSkippingFile;
    TZipFileStatsEvent OnStatus;
    TZipNewdiskEvent OnNewdisk;

private:
    friend int EngineCallback(int message, void *data, void *user);
    enum class Side { Zip, Unzip };

    int run(Side side, bool refused, const std::function<QStringList()> &buildVector);
    int callModule(Side side, const QStringList &args);
    int dispatch(int message, void *data);
    void act(int message, void *data);
    void answerPassword(TovoZipPasswordData &query);

    ZipModule m_zipModule;
    ZipModule m_unzipModule;
    QString m_moduleDirectory;
    SfxTables m_sfxTables;
    bool m_libraryMissing = false;
    int m_libraryValue = 0;
    TZipFileStats m_libraryStats;
    bool m_passwordSupplied = false;
    bool m_unzipSide = false;
    // When events were last dispatched (coarse monotonic milliseconds), -1 not yet.
    std::int64_t m_lastDispatch = -1;
    // A handler's exception, held while the module winds down and rethrown
    // by the command once the module has returned.
    std::exception_ptr m_handlerException;
};

} // namespace tovo
