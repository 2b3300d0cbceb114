#include "shell/labeltable.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLabels, "tovo.labels")

namespace tovo {
namespace {

QStringList &table()
{
    static QStringList labels;
    return labels;
}

std::function<void()> &loader()
{
    static std::function<void()> f;
    return f;
}

} // namespace

void SetLabelTable(const QStringList &labels) { table() = labels; }

const QStringList &LabelTable() { return table(); }

void SetLabelLoader(std::function<void()> f) { loader() = std::move(f); }

QString GetLabel(int n)
{
    if (n == -1) {
        if (loader())
            loader()();
        return QString();
    }
    if (n < 1 || n > table().size()) {
        qCWarning(lcLabels) << "label" << n << "requested outside the table of" << table().size();
        return QString();
    }
    QString text = table().at(n - 1);
    text.replace(QChar(0x00A7), QLatin1Char('\r'));
    return text;
}

} // namespace tovo

namespace tovo {
QString DisplayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
} // namespace tovo
