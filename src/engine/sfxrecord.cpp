#include "engine/sfxrecord.h"

#include <cstring>
#include <tuple>

namespace tovo {

static_assert(TOVO_ZIP_SFX_MESSAGE_COUNT == std::tuple_size_v<decltype(SfxTables::messages)>);
static_assert(TOVO_ZIP_SFX_PROMPT_COUNT == std::tuple_size_v<decltype(SfxTables::prompts)>);
static_assert(TOVO_ZIP_SFX_CAPTION_COUNT == std::tuple_size_v<decltype(SfxTables::captions)>);
static_assert(TOVO_ZIP_SFX_BUTTON_COUNT == std::tuple_size_v<decltype(SfxTables::buttons)>);
static_assert(sizeof(TOVO_ZIP_SFX_MAGIC) <= sizeof(TovoZipSfxSettings::magic));

SfxTables::SfxTables()
    : messages{QStringLiteral("All files were succesfully extracted."),
               QStringLiteral("Error during extraction. One of more files were not succesfully extracted. (Error %e)"),
               QStringLiteral("Unable to create directory '%d'"),
               QStringLiteral("Welcome to the Zip self-extractor. This program will extract some files onto your "
                              "system."),
               QString()},
      prompts{QStringLiteral("Select the path where you want to extract the files to."),
              QStringLiteral("A password is required for file:"),
              QStringLiteral("Please insert the last disk of the set."),
              QStringLiteral("Please insert disk #%n."),
              QStringLiteral("Are you sure you want to abort the self-extracting process?"),
              QStringLiteral("'%d' does not exist. Do you want to create it?"),
              QStringLiteral("The file '%f' already exists. Do you want to overwrite it?")},
      captions{QStringLiteral("Extracting file:"),
               QStringLiteral("Overall progress:"),
               QStringLiteral("The Zip Self-Extractor"),
               QStringLiteral("Current extract directory:"),
               QStringLiteral("%s on '%c'"),
               QStringLiteral("Entire Network")},
      buttons{QStringLiteral("&OK"),        QStringLiteral("&Cancel"),   QStringLiteral("&Abort"),
              QStringLiteral("&Skip File"), QStringLiteral("&Always Skip"), QStringLiteral("&Yes"),
              QStringLiteral("&No"),        QStringLiteral("&All"),      QStringLiteral("N&one"),
              QStringLiteral("&Continue"),  QStringLiteral("&Exit"),     QStringLiteral("&Agree"),
              QStringLiteral("&Refuse")}
{
}

QString JoinSfxLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

SfxRecord::SfxRecord(const SfxSettings &settings, const SfxTables &tables)
{
    // Every text is kept before any pointer is taken, so no reallocation of
    // m_texts can move a text the record points to.
    m_texts.reserve(8 + TOVO_ZIP_SFX_MESSAGE_COUNT + TOVO_ZIP_SFX_PROMPT_COUNT + TOVO_ZIP_SFX_CAPTION_COUNT +
                    TOVO_ZIP_SFX_BUTTON_COUNT);
    std::memcpy(m_record.magic, TOVO_ZIP_SFX_MAGIC, sizeof(TOVO_ZIP_SFX_MAGIC));
    m_record.size = sizeof(TovoZipSfxSettings);
    m_record.text1 = keep(settings.SfxText1);
    m_record.text2 = keep(settings.SfxText2);
    m_record.text3 = keep(settings.SfxText3);
    m_record.text4 = keep(settings.SfxText4);
    m_record.choice = static_cast<unsigned char>(settings.SfxChoice);
    m_record.option1 = settings.SfxOption1 ? 1 : 0;
    m_record.option2 = settings.SfxOption2 ? 1 : 0;
    m_record.passwordProtected = settings.SfxPasswordProtected ? 1 : 0;
    m_record.option3 = settings.SfxOption3 ? 1 : 0;
    m_record.option4 = settings.SfxOption4 ? 1 : 0;
    m_record.messages = keepTable(tables.messages.data(), tables.messages.size());
    m_record.prompts = keepTable(tables.prompts.data(), tables.prompts.size());
    m_record.captions = keepTable(tables.captions.data(), tables.captions.size());
    m_record.buttons = keepTable(tables.buttons.data(), tables.buttons.size());
    for (std::size_t i = 0; i < m_showMessage.size(); ++i)
        m_showMessage[i] = tables.showMessage[i] ? 1 : 0;
    m_record.showMessage = m_showMessage.data();
    m_record.text5 = keep(settings.SfxText5);
    m_record.lines1 = keep(JoinSfxLines(settings.SfxLines1));
    m_record.lines2 = keep(JoinSfxLines(settings.SfxLines2));
    m_icon = settings.SfxIcon;
    m_record.icon = m_icon.isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(m_icon.constData());
    m_record.iconSize = static_cast<std::size_t>(m_icon.size());
}

const char *SfxRecord::keep(const QString &text)
{
    m_texts.push_back(text.toUtf8());
    return m_texts.back().constData();
}

const char *const *SfxRecord::keepTable(const QString *texts, std::size_t count)
{
    std::vector<const char *> table;
    for (std::size_t i = 0; i < count; ++i)
        table.push_back(keep(texts[i]));
    m_tables.push_back(std::move(table));
    return m_tables.back().data();
}

} // namespace tovo
