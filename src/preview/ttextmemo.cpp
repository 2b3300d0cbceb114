#include "preview/ttextmemo.h"

#include "preview/textdecoding.h"
#include "shell/labeltable.h"

#include <QFile>

namespace tovo {

TTextMemo::TTextMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TTextMemo::addLine(const QString &line) { appendPlainText(DisplayText(line)); }

bool TTextMemo::loadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    setPlainText(DecodeTextFile(bytes, ControlDisplay::Text));
    return true;
}

} // namespace tovo
