// The main window's EXE button: the current archive made into a
// self-extracting program beside it.
#include "shell/tprincipale.h"

#include "engine/resultcodes.h"
#include "engine/sfxcreation.h"
#include "engine/tzipengine.h"
#include "shell/labelmessages.h"
#include "shell/labelstore.h"
#include "shell/labeltable.h"
#include "shell/messageservice.h"
#include "shell/paths.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>

namespace tovo {

void TPrincipale::CrexeClick()
{
    const QString name = XZip->ZipFileName;
    if (IsSfxSourceRefused(name)) {
        ShowLabelMessage(QStringLiteral("M"), 82, 1);
        return;
    }
    const QString exeName = SfxProgramName(name);
    const int question = QFileInfo::exists(exeName) ? 286 : 281;
    if (ShowLabelMessage(QStringLiteral("d"), question, 4) != IdYes) {
        ShowLabelMessage(QStringLiteral("M"), 283, 3);
        return;
    }
    if (!ConfirmPassword())
        return;
    // The password confirmed is the one the conversion runs with.
    XZip->Password = MotDePasse->text();
    ApplyTovoSfxSettings(*XZip, ProgDir(), !MotDePasse->text().isEmpty(),
                         GetLabel(284) + QLatin1Char(' ') + ApplicationTitle);

    // The conversion reports progress through the callback, which runs the
    // event loop: the window takes no click meanwhile, so no other command
    // can start inside this one.
    setEnabled(false);
    setCursor(Qt::WaitCursor);
    const int code = XZip->ConvertToSfx();
    unsetCursor();
    setEnabled(true);
    Gauge->setValue(0);

    if (code != 0) {
        // Why, when the code says more than the failure itself.
        QString text = GetLabel(112);
        if (const int cause = LabelOfResultCode(code); cause != 112)
            text += QStringLiteral("\r\r") + GetLabel(cause) + QStringLiteral(" (") + QString::number(code) +
                    QLatin1Char(')');
        ShowLabelMessage(QStringLiteral("M") + text, -1, 4);
        return;
    }
    ShowLabelMessage(QStringLiteral("M"), 282, 3);
    OuvreRepertoireDestinationClick();
}

} // namespace tovo
