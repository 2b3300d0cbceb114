#pragma once

#include <array>
#include <vector>

#include <QByteArray>

#include "engine/zipcontract.h"
#include "engine/zipsettings.h"

namespace tovo {

// The self-extractor settings record of one command, with every text it
// points to. It lives as long as the object, which the engine keeps for the
// duration of the module call.
class SfxRecord {
public:
    SfxRecord(const SfxSettings &settings, const SfxTables &tables);
    SfxRecord(const SfxRecord &) = delete;
    SfxRecord &operator=(const SfxRecord &) = delete;

    const TovoZipSfxSettings *record() const { return &m_record; }

private:
    const char *keep(const QString &text);
    const char *const *keepTable(const QString *texts, std::size_t count);

    TovoZipSfxSettings m_record{};
    std::vector<QByteArray> m_texts;
    std::vector<std::vector<const char *>> m_tables;
    std::array<unsigned char, TOVO_ZIP_SFX_MESSAGE_COUNT> m_showMessage{};
    QByteArray m_icon;
};

// Lines each ended by CR LF, as one text.
QString JoinSfxLines(const QStringList &lines);

} // namespace tovo
