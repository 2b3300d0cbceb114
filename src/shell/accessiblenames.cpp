#include "shell/accessiblenames.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextEdit>

namespace tovo {
namespace {

QString withoutMnemonics(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// A label's text as a name: one line, without the colon that introduces
// the control.
QString labelName(const QString &text)
{
    QString name = withoutMnemonics(text).simplified();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}

bool hasWords(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString captionOf(const QWidget *w)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
        const QString caption = withoutMnemonics(button->text()).simplified();
        return hasWords(caption) ? caption : QString();
    }
    return QString();
}

QString buddyNameOf(const QWidget *w)
{
    const QWidget *window = w->window();
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    // The control itself, or a composite control whose focus it takes.
    for (const QWidget *target = w; target && target != window; target = target->parentWidget()) {
        if (target != w && target->focusProxy() != w)
            continue;
        for (const QLabel *label : labels) {
            if (label->buddy() == target) {
                const QString name = labelName(label->text());
                if (!name.isEmpty())
                    return name;
            }
        }
    }
    return QString();
}

QString hintNameOf(const QWidget *w)
{
    const QString hint = w->toolTip();
    const qsizetype end = hint.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return labelName(end < 0 ? hint : hint.left(end));
}

// A control the user acts on, not a part of another control (the edit of a
// combo or spin box, an edit's button, a view's header).
bool isInteractiveControl(const QWidget *w)
{
    const bool control = qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
                         qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
                         (qobject_cast<const QAbstractSlider *>(w) && !qobject_cast<const QScrollBar *>(w)) ||
                         qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QTextEdit *>(w) ||
                         qobject_cast<const QPlainTextEdit *>(w);
    const bool header =
        qobject_cast<const QHeaderView *>(w) && qobject_cast<const QAbstractItemView *>(w->parentWidget());
    if (!control || header)
        return false;
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p) ||
            qobject_cast<const QLineEdit *>(p))
            return false;
    }
    return true;
}

class NameOnShow : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow())
                NameControls(widget);
        }
        return false;
    }
};

} // namespace

void NameControls(QWidget *root)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (!w->accessibleName().isEmpty() || !isInteractiveControl(w) || !captionOf(w).isEmpty())
            continue;
        QString name = buddyNameOf(w);
        if (name.isEmpty())
            name = hintNameOf(w);
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

void NameControlsOfAllWindows()
{
    static NameOnShow *filter = nullptr;
    if (!filter && qApp) {
        filter = new NameOnShow;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }
    for (QWidget *window : QApplication::topLevelWidgets())
        NameControls(window);
}

} // namespace tovo
