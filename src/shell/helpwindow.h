#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace tovo {

// Tovo's own help window over the French HTML help beside the program.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    // Shows the help page at the anchor of a context (1, 6, 10, 14).
    void showContext(int context);
    QUrl currentSource() const;

private:
    QTextBrowser *m_browser;
};

// The help file, ProgDir + "aide/tovo.html".
QString HelpFile();
// Opens the help window at a context; false when the help file is missing.
bool ShowHelp(int context);
// Closes the help window if it is open (at the program's close).
void CloseHelp();
HelpWindow *CurrentHelpWindow();

} // namespace tovo
