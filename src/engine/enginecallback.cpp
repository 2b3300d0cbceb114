// The callback through which the modules report a running command: each
// message becomes one event of the engine, and the handlers' answers are
// written back into the module's buffers, never past their capacity.
#include "engine/tzipengine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>

#include <QCoreApplication>

namespace tovo {
namespace {

QString &commentBuffer()
{
    static QString text;
    return text;
}

QString fromModule(const char *text) { return text ? QString::fromUtf8(text) : QString(); }

// The first max characters of text, never splitting a surrogate pair.
QString leftChars(const QString &text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    qsizetype n = max;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

// The UTF-8 of text, cut to at most max bytes without splitting a character.
QByteArray utf8Within(const QString &text, std::size_t max)
{
    const QByteArray bytes = text.toUtf8();
    if (std::size_t(bytes.size()) <= max)
        return bytes;
    qsizetype n = qsizetype(max);
    while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
        --n;
    return bytes.left(n);
}

// Writes text and a closing NUL into a buffer of size bytes.
void writeText(char *buffer, std::size_t size, const QString &text)
{
    if (!buffer || size == 0)
        return;
    const QByteArray bytes = utf8Within(text, size - 1);
    std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
    buffer[bytes.size()] = '\0';
}

// Writes text without a NUL into a buffer of size bytes; returns the bytes written.
std::uint16_t writeCounted(char *buffer, std::size_t size, const QString &text)
{
    if (!buffer)
        return 0;
    const QByteArray bytes = utf8Within(text, std::min<std::size_t>(size, 0xFFFF));
    std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
    return std::uint16_t(bytes.size());
}

TZipFileStats statsFromBlock(const TovoZipFileStatsData &block)
{
    TZipFileStats stats;
    stats.FileName = fromModule(block.fileName);
    stats.Size = block.size;
    stats.CompressedSize = block.compressedSize;
    stats.BytesDone = block.bytesDone;
    stats.Attributes = TZipFileAttributes(QFlag(block.attributes & 0x3F));
    stats.DateTime = DosDateTimeToDateTime(block.dosDateTime);
    stats.DosDateTime = block.dosDateTime;
    stats.Extra32 = block.extra32;
    stats.ExtraByte1 = block.extraByte1;
    stats.ExtraByte2 = block.extraByte2;
    stats.ExtraByte3 = block.extraByte3;
    stats.ExtraFlag = block.extraFlag != 0;
    if (block.comment)
        stats.Comment = leftChars(QString::fromUtf8(block.comment, block.commentLength), TOVO_ZIP_COMMENT_MAX_CHARS);
    return stats;
}

} // namespace

QString ArchiveCommentBuffer() { return commentBuffer(); }

void ClearArchiveCommentBuffer() { commentBuffer().clear(); }

namespace {

QDateTime dosDateTimeToDateTime(std::uint32_t dosDateTime)
{
    const std::uint32_t time = dosDateTime & 0xFFFF;
    const std::uint32_t date = dosDateTime >> 16;
    const int seconds = int(time & 0x1F) * 2;
    const int minutes = int((time >> 5) & 0x3F);
    const int hours = int(time >> 11);
    const int day = int(date & 0x1F);
    const int month = int((date >> 5) & 0x0F);
    const int year = 1980 + int(date >> 9);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hours > 24 || minutes > 59 || seconds > 59)
        return DefaultDateFilter();
    const QDate d(year, month, day);
    const QTime t(hours, minutes, seconds);
    if (!d.isValid() || !t.isValid())
        return DefaultDateFilter();
    return QDateTime(d, t);
}

// The coarse monotonic clock in milliseconds: read at every message, it
// costs a quarter of the precise clock, and its resolution of a few
// milliseconds is plenty for the dispatch interval.
std::int64_t coarseMilliseconds()
{
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

QDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime)
{
    // Listing sends one date per entry, and the entries of an archive share
    // few: the conversions are kept in a small table (a local time costs a
    // time zone look-up to build).
    struct Slot {
        std::uint32_t dos = 0;
        QDateTime value;
    };
    thread_local std::array<Slot, 256> kept;
    Slot &slot = kept[(dosDateTime ^ (dosDateTime >> 16)) % kept.size()];
    if (slot.dos != dosDateTime || !slot.value.isValid()) {
        slot.value = dosDateTimeToDateTime(dosDateTime);
        slot.dos = dosDateTime;
    }
    return slot.value;
}

int EngineCallback(int message, void *data, void *user)
{
    // Repaints and the interrupt dialog's clicks run here, nested in the
    // command: at the first message and then at most every DispatchInterval
    // milliseconds, so an archive of 100,000 entries is not slowed by as many
    // rounds of the event loop while the window stays responsive.
    auto *engine = static_cast<TZipEngine *>(user);
    if (QCoreApplication::instance()) {
        const std::int64_t now = coarseMilliseconds();
        if (!engine || engine->m_lastDispatch < 0 || now - engine->m_lastDispatch >= engine->DispatchInterval) {
            QCoreApplication::processEvents();
            if (engine)
                engine->m_lastDispatch = coarseMilliseconds();
        }
    }
    return engine ? engine->dispatch(message, data) : 0;
}

int TZipEngine::dispatch(int message, void *data)
{
    if (message != TOVO_ZIP_MSG_PASSWORD)
        m_passwordSupplied = false;
    // An exception must not cross the module's C frames: it is held, the
    // module is asked to stop, and the command rethrows it once it returns.
    if (!m_handlerException) {
        try {
            act(message, data);
        } catch (...) {
            m_handlerException = std::current_exception();
        }
    }
    return Abort || m_handlerException ? 1 : 0;
}

void TZipEngine::act(int message, void *data)
{
    if (!data)
        return;
    auto statsEvent = [&](const TZipFileStatsEvent &event) {
        if (event)
            event(this, statsFromBlock(*static_cast<const TovoZipFileStatsData *>(data)));
    };

    switch (message) {
    case TOVO_ZIP_MSG_REPLACE: {
        auto *block = static_cast<TovoZipReplaceData *>(data);
        if (!OnReplace)
            break;
        TZipReplace replace{fromModule(block->fileName), QString(), block->action};
        OnReplace(this, replace);
        writeText(block->newName, block->newNameSize, replace.NewName);
        block->action = replace.Action;
        break;
    }
    case TOVO_ZIP_MSG_TESTING:
        statsEvent(OnTesting);
        break;
    case TOVO_ZIP_MSG_EXTRACTING:
        statsEvent(OnExtracting);
        break;
    case TOVO_ZIP_MSG_VALUE:
        m_libraryValue = static_cast<const TovoZipValueData *>(data)->value;
        break;
    case TOVO_ZIP_MSG_LISTING:
        statsEvent(OnListing);
        break;
    case TOVO_ZIP_MSG_STATS:
        m_libraryStats = statsFromBlock(*static_cast<const TovoZipFileStatsData *>(data));
        break;
    case TOVO_ZIP_MSG_PASSWORD:
        answerPassword(*static_cast<TovoZipPasswordData *>(data));
        break;
    case TOVO_ZIP_MSG_NEW_DISK:
        if (OnNewdisk)
            OnNewdisk(this, static_cast<const TovoZipNewDiskData *>(data)->diskNumber);
        break;
    case TOVO_ZIP_MSG_FILE_COMMENT: {
        auto *block = static_cast<TovoZipFileCommentData *>(data);
        if (!OnFileComment)
            break;
        TZipFileComment comment{fromModule(block->fileName), QString()};
        OnFileComment(this, comment);
        block->commentLength = writeCounted(block->comment, block->commentSize,
                                            leftChars(comment.Comment, TOVO_ZIP_COMMENT_MAX_CHARS));
        break;
    }
    case TOVO_ZIP_MSG_COMMENT_STORE: {
        const auto *block = static_cast<const TovoZipCommentStoreData *>(data);
        const std::size_t length = block->text ? strnlen(block->text, block->length) : 0;
        commentBuffer() = leftChars(QString::fromUtf8(block->text, qsizetype(length)), TOVO_ZIP_COMMENT_MAX_CHARS);
        break;
    }
    case TOVO_ZIP_MSG_COMMENT_FETCH: {
        auto *block = static_cast<TovoZipCommentFetchData *>(data);
        block->length = writeCounted(block->buffer, block->bufferSize, commentBuffer());
        block->filled = 1;
        break;
    }
    case TOVO_ZIP_MSG_GLOBAL_STATUS: {
        const auto *block = static_cast<const TovoZipGlobalStatusData *>(data);
        if (OnGlobalStatus)
            OnGlobalStatus(this, TZipGlobalStats{block->value0, block->value2, block->byte0, block->value1,
                                                 block->value3, block->byte1});
        break;
    }
    case TOVO_ZIP_MSG_RENAME: {
        auto *block = static_cast<TovoZipRenameData *>(data);
        if (!OnRename)
            break;
        TZipRename rename{fromModule(block->fileName), QString()};
        OnRename(this, rename);
        writeText(block->newName, block->newNameSize, rename.NewName);
        break;
    }
    case TOVO_ZIP_MSG_UPDATING:
        statsEvent(OnUpdating);
        break;
    case TOVO_ZIP_MSG_ADDING:
        statsEvent(OnAdding);
        break;
    case TOVO_ZIP_MSG_DELETING:
        if (OnDeleting)
            OnDeleting(this, fromModule(static_cast<const char *>(data)));
        break;
    case TOVO_ZIP_MSG_STATUS:
        statsEvent(OnStatus);
        break;
    case TOVO_ZIP_MSG_SKIPPING: {
        const auto *block = static_cast<const TovoZipSkippingData *>(data);
        if (OnSkippingFile)
            OnSkippingFile(this, TZipSkipping{fromModule(block->fileName), block->reason});
        break;
    }
    case TOVO_ZIP_MSG_FIXING:
        if (OnFixing)
            OnFixing(this, fromModule(static_cast<const char *>(data)));
        break;
    default:
        break;
    }
}

void TZipEngine::answerPassword(TovoZipPasswordData &query)
{
    if (!Password.isEmpty()) {
        // The password goes once; a query repeated at once means it was refused.
        if (m_passwordSupplied) {
            query.action = 0;
            return;
        }
        writeText(query.password, query.passwordSize, leftChars(Password, TOVO_ZIP_PASSWORD_MAX_CHARS));
        query.action = m_unzipSide ? 2 : 5;
        m_passwordSupplied = true;
        return;
    }
    if (!OnPwdQuery)
        return;
    TZipPwdQuery pwd{fromModule(query.fileName), QString(), query.action};
    OnPwdQuery(this, pwd);
    writeText(query.password, query.passwordSize, leftChars(pwd.Password, TOVO_ZIP_PASSWORD_MAX_CHARS));
    query.action = pwd.Action;
}

} // namespace tovo
