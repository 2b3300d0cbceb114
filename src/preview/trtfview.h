#pragma once

#include "preview/rtfconverter.h"

#include <QTextEdit>

namespace tovo {

// The RTF viewer of the preview pane (RTF), read-only. A document is turned
// into HTML by the converter, then shown in the viewer's own font (the
// document's type faces are dropped, its styles and relative sizes kept).
// Nothing outside the document is ever loaded: no picture, no style sheet.
class TRtfView : public QTextEdit {
    Q_OBJECT
public:
    explicit TRtfView(QWidget *parent = nullptr);

    // Shows the RTF document path; false when it cannot be converted.
    bool loadRtf(const QString &path);
    // The converter's limits and program (tests point it elsewhere).
    RtfConversionLimits limits;

protected:
    QVariant loadResource(int type, const QUrl &name) override;
};

} // namespace tovo
