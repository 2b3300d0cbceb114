#include "ziplib/common/zipreport.h"

#include <algorithm>
#include <vector>

#include "ziplib/common/zipdirectory.h"

namespace tovo::zip
{

bool Reporter::send(int message, void *data)
{
    if (m_callback && m_callback(message, data, m_user) == 1)
        m_stop = true;
    return m_stop;
}

bool Reporter::fileStats(int message, const std::string &name, std::int64_t size, std::int64_t compressedSize,
                         std::int64_t bytesDone, std::uint8_t attributes, std::uint32_t dosDateTime,
                         const std::string *comment)
{
    return fileStats(message, name.c_str(), size, compressedSize, bytesDone, attributes, dosDateTime,
                     comment ? std::string_view(*comment) : std::string_view());
}

bool Reporter::fileStats(int message, const char *name, std::int64_t size, std::int64_t compressedSize,
                         std::int64_t bytesDone, std::uint8_t attributes, std::uint32_t dosDateTime,
                         std::string_view comment)
{
    TovoZipFileStatsData block{};
    block.fileName = name;
    block.size = size;
    block.compressedSize = compressedSize;
    block.bytesDone = bytesDone;
    block.attributes = attributes;
    block.dosDateTime = dosDateTime;
    if (!comment.empty()) {
        block.comment = comment.data();
        block.commentLength = std::uint16_t(std::min<std::size_t>(comment.size(), 0xFFFF));
    }
    return send(message, &block);
}

bool Reporter::entryStats(int message, const ZipEntry &entry, std::int64_t bytesDone)
{
    return fileStats(message, entry.name, std::int64_t(entry.size), std::int64_t(entry.compressedSize), bytesDone,
                     entry.dosAttributes(), entry.dosDateTime, &entry.comment);
}

bool Reporter::nameOnly(int message, const std::string &name)
{
    return send(message, const_cast<char *>(name.c_str()));
}

bool Reporter::skipping(const std::string &name, std::uint8_t reason)
{
    TovoZipSkippingData block{name.c_str(), reason};
    return send(TOVO_ZIP_MSG_SKIPPING, &block);
}

bool Reporter::askPassword(const std::string &name, std::string &password)
{
    std::vector<char> buffer(TOVO_ZIP_PASSWORD_BUFFER_SIZE, '\0');
    // The proposal 1 asks for a password; an answer of 0 gives up.
    TovoZipPasswordData block{name.c_str(), buffer.data(), buffer.size(), 1};
    send(TOVO_ZIP_MSG_PASSWORD, &block);
    buffer.back() = '\0';
    const std::string answer(buffer.data());
    if (m_stop || block.action == 0 || answer.empty())
        return false;
    password = answer;
    return true;
}

void Reporter::askReplace(const std::string &name, std::uint8_t &action, std::string &newName)
{
    std::vector<char> buffer(TOVO_ZIP_NAME_BUFFER_SIZE, '\0');
    TovoZipReplaceData block{name.c_str(), buffer.data(), buffer.size(), action};
    send(TOVO_ZIP_MSG_REPLACE, &block);
    buffer.back() = '\0';
    action = block.action;
    newName.assign(buffer.data());
}

bool ReportProgress(Reporter &reporter, const ZipEntry &entry, std::uint64_t done, std::uint64_t &next)
{
    if (entry.size < 2 * ProgressStep || done < next)
        return reporter.stopRequested();
    next = done - done % ProgressStep + ProgressStep;
    return reporter.entryStats(TOVO_ZIP_MSG_STATUS, entry, std::int64_t(done));
}

} // namespace tovo::zip
