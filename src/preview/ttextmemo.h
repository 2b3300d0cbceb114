#pragma once

#include <QPlainTextEdit>

namespace tovo {

// The memo of the preview pane (Memo1): small texts and every message of the
// preview, read-only.
class TTextMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TTextMemo(QWidget *parent = nullptr);

    // Adds one line (carriage returns in it start new lines).
    void addLine(const QString &line);
    // Shows the text of path (UTF-8 or Windows-1252, control characters
    // shown); false when the file cannot be read.
    bool loadFromFile(const QString &path);
};

} // namespace tovo
