#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace tovo {

inline const QString ApplicationTitle = QStringLiteral("Tovo v4.4");
inline const QString LabelsFileName = QStringLiteral("fran\u00e7ais.tv");
inline const QString LabelStoreFileName = QStringLiteral("libelles.dll");

inline constexpr int LabelRecordSize = 196;
inline constexpr int LabelTextSize = 180;
inline constexpr std::uint16_t UpdateMarker = 0x2001;

// One record of the label store: 1 length byte (180), 180 bytes of text padded
// with spaces and transformed with the key, 3 bytes padding, the key (int32),
// the marker (uint16), 2 bytes padding and the byte sum of the text (int32),
// all little-endian.
struct LabelRecord {
    QByteArray text; // Windows-1252 bytes, unpadded
    std::int32_t key = 0;
    std::uint16_t marker = 0;
    std::int32_t sum = 0;
};

// The keyed transform of the text field; applying the inverse with the same
// key restores the input. Only the key's low 16 bits matter.
QByteArray transformLabelText(QByteArrayView plain, std::int32_t key);
QByteArray untransformLabelText(QByteArrayView stored, std::int32_t key);

std::int32_t labelByteSum(QByteArrayView text);
QByteArray encodeLabelRecord(const LabelRecord &record);
// Text comes back with trailing spaces dropped; sum is the stored sum.
LabelRecord decodeLabelRecord(QByteArrayView bytes);

// Random source for keys, replaceable in tests: returns 0 .. bound-1.
using LabelRandom = std::function<int(int bound)>;

struct LabelLoadResult {
    QStringList labels;      // item 0 is label 1
    QStringList fatalErrors; // each one is shown by FatalError, in order
};

// Compiles, updates and reads the label store of progDir. Never shows
// anything: the caller turns each fatal error into a FatalError box.
LabelLoadResult LoadLabelFiles(const QString &progDir, const LabelRandom &random = {});
// The same with the label store in storeDir (the user's data folder of an
// installed program) and the labels file in progDir.
LabelLoadResult LoadLabelFiles(const QString &progDir, const QString &storeDir, const LabelRandom &random = {});

} // namespace tovo
