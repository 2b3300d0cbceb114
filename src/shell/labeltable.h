#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tovo {

// The loaded label table: item 0 is label 1.
void SetLabelTable(const QStringList &labels);
const QStringList &LabelTable();

// Label n with every "§" turned into a carriage return. GetLabel(-1) reloads
// the table through the loader the main window registers. A number outside
// the table is a fault of the caller: it is logged and gives an empty text.
QString GetLabel(int n);
void SetLabelLoader(std::function<void()> loader);

} // namespace tovo

namespace tovo {
// A text with its carriage returns as line feeds, for widgets.
QString DisplayText(QString text);
} // namespace tovo
