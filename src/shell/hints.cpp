#include "shell/hints.h"

#include <QApplication>
#include <QEvent>

namespace tovo {
namespace {

class HintFilter : public QObject {
public:
    bool shown = true;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!shown && event->type() == QEvent::ToolTip)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

HintFilter *filter()
{
    static HintFilter *f = nullptr;
    if (!f && qApp) {
        f = new HintFilter;
        f->setParent(qApp);
        qApp->installEventFilter(f);
    }
    return f;
}

} // namespace

void SetHintsShown(bool shown)
{
    if (HintFilter *f = filter())
        f->shown = shown;
}

bool HintsShown()
{
    HintFilter *f = filter();
    return f ? f->shown : true;
}

} // namespace tovo
