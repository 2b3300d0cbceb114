// The image viewers' clicks, the full-screen view, and opening the preview's
// copy with the desktop's program for its type.
#include "shell/tprincipale.h"

#include "browse/tentrymodel.h"
#include "preview/runrules.h"
#include "preview/tfullslide.h"
#include "preview/tgifview.h"
#include "preview/timageview.h"
#include "shell/forms.h"
#include "shell/labelmessages.h"
#include "shell/labeltable.h"
#include "shell/paths.h"

#include <QAction>
#include <QFile>
#include <QListView>
#include <QProgressBar>

namespace tovo {

void TPrincipale::connectMedia()
{
    connect(PMultiMedia1, &TImageView::clicked, this, &TPrincipale::PMultiMedia1Click);
    connect(GIFImage, &TGifView::clicked, this, &TPrincipale::PMultiMedia1Click);
    connect(PMultiMedia1, &TImageView::doubleClicked, this, &TPrincipale::PMultiMedia1DblClick);
    connect(Exec1, &QAction::triggered, this, &TPrincipale::Exec1Click);
    connect(ListeficsZip, &QAbstractItemView::doubleClicked, this, &TPrincipale::ListeficsZipDblClick);
}

void TPrincipale::PMultiMedia1Click()
{
    PMultiMedia1->setStretchRatio(!PMultiMedia1->stretchRatio());
    GIFImage->setStretch(!GIFImage->stretch());
}

void TPrincipale::PMultiMedia1DblClick()
{
    // The progress bar moves while an archive operation runs.
    if (Gauge->value() != 0)
        return;
    TFullSlide *slide = AppForms().FullSlide;
    if (!slide)
        return;
    TImageView *image = slide->MultiImage1;
    image->setPicture(PMultiMedia1->picture());
    image->setStretchRatio(true);
    image->setBackgroundColour(PMultiMedia1->colours() == 2 ? QColor(0xFF, 0xFF, 0xFF) : QColor(0, 0, 0));
    Messages().execDialog(slide);
    // The full-screen view keeps no picture once closed.
    image->clearPicture();
    PMultiMedia1->setStretchRatio(true);
}

void TPrincipale::Exec1Click()
{
    if (!ListeficsZip->currentIndex().isValid() || TempFile.isEmpty() || !QFile::exists(TempFile))
        return;
    QByteArray head;
    {
        QFile file(TempFile);
        if (file.open(QIODevice::ReadOnly))
            head = file.read(4);
    }
    const QString name = FileNamePart(TempFile);
    const QString text = QStringLiteral("\r ") + name + QLatin1Char('\r');
    if (RunsAProgram(name, head)) {
        if (ShowLabelMessage(QStringLiteral("w") + GetLabel(151) + text + GetLabel(152), -1, 1) != IdYes)
            return;
    } else if (!DocExecConfirmed) {
        if (ShowLabelMessage(QStringLiteral("c") + GetLabel(153) + text + GetLabel(154), -1, 4) != IdYes)
            return;
        DocExecConfirmed = true;
    }
    // The copy is opened as a document, never run as a program of its own.
    QFile::setPermissions(TempFile, QFile::permissions(TempFile) &
                                        ~(QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                                          QFileDevice::ExeOther));
    const int result = ExecuteFile(TempFile, QString(), QString(), 0);
    if (result <= 32)
        ShowLabelMessage(QStringLiteral(" ") + GetLabel(155) + QStringLiteral(" : ") + QString::number(result), -1, 0);
}

void TPrincipale::ListeficsZipDblClick()
{
    const QModelIndex current = ListeficsZip->currentIndex();
    if (!current.isValid())
        return;
    // The model reports the change, which updates the selection status.
    Entries->setData(current, Entries->isChecked(current.row()) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace tovo
