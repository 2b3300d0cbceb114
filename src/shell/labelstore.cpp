#include "shell/labelstore.h"

#include "shell/cp1252.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

namespace tovo {
namespace {

std::uint16_t nextState(std::uint16_t state, unsigned char cipher)
{
    return static_cast<std::uint16_t>((cipher + state) * 0x9E37u + 0x79B9u);
}

QByteArray cutAndTrim(QByteArray text, bool trimFirst)
{
    auto trim = [&text] {
        while (text.endsWith(' '))
            text.chop(1);
    };
    if (trimFirst)
        trim();
    if (text.size() > LabelTextSize)
        text.truncate(LabelTextSize);
    trim();
    return text;
}

// Lines as a text-file reader sees them: CR, LF or CR LF end a line, and a
// final line end does not start an empty line.
QList<QByteArray> splitLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' || data[i] == '\n') {
            lines.append(data.mid(start, i - start));
            if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < data.size())
        lines.append(data.mid(start));
    return lines;
}

QString leading(const char *text) { return QString::fromUtf8(text); }

class StoreWriter {
public:
    explicit StoreWriter(const LabelRandom &random) : m_random(random) {}

    LabelRecord creationRecord(const QByteArray &line) const
    {
        LabelRecord r;
        r.key = (m_random(120) + 30) * (m_random(7) + 1);
        if (line.startsWith(';'))
            r.text = QByteArray(1, static_cast<char>(m_random(9)));
        else
            r.text = cutAndTrim(line, false);
        r.sum = labelByteSum(r.text);
        return r;
    }

    LabelRecord updateRecord(const QByteArray &line) const
    {
        LabelRecord r;
        r.key = (m_random(200) + 20) * (m_random(8) + 2);
        r.text = cutAndTrim(line, true);
        r.marker = UpdateMarker;
        r.sum = labelByteSum(r.text);
        return r;
    }

private:
    const LabelRandom &m_random;
};

} // namespace

QByteArray transformLabelText(QByteArrayView plain, std::int32_t key)
{
    QByteArray out(plain.size(), '\0');
    auto state = static_cast<std::uint16_t>(key & 0xFFFF);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const auto c = static_cast<unsigned char>(plain[i] ^ static_cast<char>(state >> 8));
        out[i] = static_cast<char>(c);
        state = nextState(state, c);
    }
    return out;
}

QByteArray untransformLabelText(QByteArrayView stored, std::int32_t key)
{
    QByteArray out(stored.size(), '\0');
    auto state = static_cast<std::uint16_t>(key & 0xFFFF);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const auto c = static_cast<unsigned char>(stored[i]);
        out[i] = static_cast<char>(c ^ (state >> 8));
        state = nextState(state, c);
    }
    return out;
}

std::int32_t labelByteSum(QByteArrayView text)
{
    std::int32_t sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum;
}

QByteArray encodeLabelRecord(const LabelRecord &record)
{
    QByteArray out(LabelRecordSize, '\0');
    QByteArray padded = record.text.left(LabelTextSize);
    padded.append(QByteArray(LabelTextSize - padded.size(), ' '));
    out[0] = static_cast<char>(LabelTextSize);
    out.replace(1, LabelTextSize, transformLabelText(padded, record.key));
    qToLittleEndian<std::int32_t>(record.key, out.data() + 184);
    qToLittleEndian<std::uint16_t>(record.marker, out.data() + 188);
    qToLittleEndian<std::int32_t>(record.sum, out.data() + 192);
    return out;
}

LabelRecord decodeLabelRecord(QByteArrayView bytes)
{
    LabelRecord r;
    if (bytes.size() < LabelRecordSize)
        return r;
    r.key = qFromLittleEndian<std::int32_t>(bytes.data() + 184);
    r.marker = qFromLittleEndian<std::uint16_t>(bytes.data() + 188);
    r.sum = qFromLittleEndian<std::int32_t>(bytes.data() + 192);
    const int length = qMin<int>(static_cast<unsigned char>(bytes[0]), LabelTextSize);
    r.text = untransformLabelText(bytes.sliced(1, length), r.key);
    while (r.text.endsWith(' '))
        r.text.chop(1);
    return r;
}

LabelLoadResult LoadLabelFiles(const QString &progDir, const LabelRandom &random)
{
    return LoadLabelFiles(progDir, progDir, random);
}

LabelLoadResult LoadLabelFiles(const QString &progDir, const QString &storeDir, const LabelRandom &random)
{
    LabelLoadResult result;
    const LabelRandom rnd = random ? random : LabelRandom([](int bound) {
        return static_cast<int>(QRandomGenerator::global()->bounded(bound));
    });
    const QString storePath = QDir(storeDir).filePath(LabelStoreFileName);
    const QString labelsPath = QDir(progDir).filePath(LabelsFileName);
    const QFileInfo storeInfo(storePath);
    const bool labelsExist = QFileInfo::exists(labelsPath);
    bool storeExists = storeInfo.exists();

    if (!storeExists && !labelsExist) {
        result.fatalErrors << leading("Libellés introuvables : ni ") + LabelsFileName +
                                  leading(" ni ") + LabelStoreFileName + leading(" dans ") +
                                  QDir::toNativeSeparators(progDir);
        return result;
    }
    if (storeExists) {
        if (storeInfo.size() == 0) {
            storeExists = false;
        } else if (storeInfo.size() % LabelRecordSize != 0) {
            result.fatalErrors << leading("Magasin de libellés ") + LabelStoreFileName +
                                      leading(" de taille incorrecte [err exi]");
            return result;
        }
    }

    const StoreWriter writer(rnd);
    if (labelsExist) {
        QFile labelsFile(labelsPath);
        if (!labelsFile.open(QIODevice::ReadOnly)) {
            result.fatalErrors << leading("Lecture impossible de ") + LabelsFileName;
            return result;
        }
        const QList<QByteArray> lines = splitLines(labelsFile.readAll());
        for (const QByteArray &line : lines)
            result.labels << fromCp1252(line);

        // The new store is built in memory and replaces the old one in one
        // rename, so a program starting at the same moment reads either the
        // old store or the new one, never a half-updated file.
        QByteArray content;
        if (storeExists) {
            QFile old(storePath);
            if (!old.open(QIODevice::ReadOnly)) {
                result.fatalErrors << leading("Écriture impossible de ") + LabelStoreFileName;
                return result;
            }
            content = old.readAll();
        } else {
            for (const QByteArray &line : lines)
                content += encodeLabelRecord(writer.creationRecord(line));
        }
        QString error;
        if (lines.isEmpty() || fromCp1252(lines.first()) != ApplicationTitle) {
            result.fatalErrors << leading("Version des libellés incorrecte : ") + ApplicationTitle +
                                      leading(" / ") + (lines.isEmpty() ? QString() : fromCp1252(lines.first()));
        } else {
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const QByteArray &line = lines[i];
                if (line.isEmpty()) {
                    error = leading("Fichier des libellés incomplet (") + QString::number(i) + leading(" vide)");
                    break;
                }
                if (line.startsWith(';'))
                    continue;
                // Record i is overwritten, or appended when the store is shorter.
                const qsizetype at = qMin<qsizetype>(i, content.size() / LabelRecordSize) * LabelRecordSize;
                const QByteArray record = encodeLabelRecord(writer.updateRecord(line));
                content.replace(at, qMin<qsizetype>(LabelRecordSize, content.size() - at), record);
            }
        }
        QSaveFile store(storePath);
        if (!store.open(QIODevice::WriteOnly) || store.write(content) != content.size() || !store.commit()) {
            if (error.isEmpty())
                error = leading("Écriture impossible de ") + LabelStoreFileName;
        }
        if (!error.isEmpty())
            result.fatalErrors << error;
    }

    // Read pass: the store alone decides the table.
    result.labels.clear();
    QFile store(storePath);
    if (!store.open(QIODevice::ReadOnly)) {
        result.fatalErrors << leading("Err except lecture fic libellés");
        return result;
    }
    QString error;
    for (qint64 i = 0; !store.atEnd(); ++i) {
        const QByteArray bytes = store.read(LabelRecordSize);
        if (bytes.size() != LabelRecordSize) {
            error = leading("Err except lecture fic libellés");
            break;
        }
        const LabelRecord record = decodeLabelRecord(bytes);
        const QString text = fromCp1252(record.text);
        if (i == 0 && text != ApplicationTitle) {
            // A store just built from a labels file of another version says
            // what the labels file said: once is enough.
            const QString message = leading("Version des libellés incorrecte : ") + ApplicationTitle +
                                    leading(" / ") + text;
            if (!result.fatalErrors.contains(message))
                result.fatalErrors << message;
            break;
        }
        const std::int32_t computed = labelByteSum(record.text);
        if (computed != record.sum) {
            error = leading("Libellés altérés - Somme de contrôle fausse\r") + QString::number(i) +
                    leading(" / calc:") + QString::number(computed) + leading(" /fic:") +
                    QString::number(record.sum) + QLatin1Char('\r') + QString::number(text.size()) +
                    QLatin1Char('\r') + text;
            break;
        }
        if (text.isEmpty() || text.at(0).unicode() < 10)
            result.labels << QString();
        else
            result.labels << text;
    }
    if (!error.isEmpty())
        result.fatalErrors << error;
    return result;
}

} // namespace tovo
