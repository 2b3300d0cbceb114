#include "shell/helpwindow.h"

#include "shell/labelstore.h"
#include "shell/paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tovo {
namespace {

QPointer<HelpWindow> &helpWindow()
{
    static QPointer<HelpWindow> window;
    return window;
}

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(ApplicationTitle + QStringLiteral(" - Aide"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    resize(640, 560);
}

void HelpWindow::showContext(int context)
{
    QUrl url = QUrl::fromLocalFile(HelpFile());
    url.setFragment(QStringLiteral("contexte-%1").arg(context));
    m_browser->setSource(url);
    m_browser->scrollToAnchor(url.fragment());
}

QUrl HelpWindow::currentSource() const { return m_browser->source(); }

QString HelpFile() { return ProgDir() + QStringLiteral("aide/tovo.html"); }

bool ShowHelp(int context)
{
    if (!QFileInfo::exists(HelpFile()))
        return false;
    // A modal dialog blocks every window but its own: help opened from one
    // belongs to it, so it can be scrolled and its links followed while the
    // dialog stays open.
    QWidget *owner = QApplication::activeModalWidget();
    if (!helpWindow()) {
        helpWindow() = new HelpWindow(owner);
    } else if (helpWindow()->parentWidget() != owner) {
        const QRect geometry = helpWindow()->geometry();
        helpWindow()->setParent(owner, Qt::Window);
        helpWindow()->setGeometry(geometry);
    }
    helpWindow()->showContext(context);
    helpWindow()->show();
    helpWindow()->raise();
    helpWindow()->activateWindow();
    return true;
}

void CloseHelp()
{
    if (helpWindow())
        helpWindow()->close();
}

HelpWindow *CurrentHelpWindow() { return helpWindow(); }

} // namespace tovo
