#include "shell/tfilenameedit.h"

#include "shell/messageservice.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace tovo {

TFileNameEdit::TFileNameEdit(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_button);
    m_button->setText(QStringLiteral("..."));
    m_button->setFixedWidth(30);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_button->setObjectName(QStringLiteral("browse"));
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &TFileNameEdit::textChanged);
    connect(m_edit, &QLineEdit::returnPressed, this, &TFileNameEdit::returnPressed);
    connect(m_button, &QToolButton::clicked, this, &TFileNameEdit::browse);
}

QString TFileNameEdit::text() const { return m_edit->text(); }

void TFileNameEdit::setText(const QString &text) { m_edit->setText(text); }

void TFileNameEdit::setButtonHint(const QString &hint) { m_button->setToolTip(hint); }

void TFileNameEdit::browse()
{
    const QString start = m_edit->text().isEmpty() ? QString() : QFileInfo(m_edit->text()).absolutePath();
    const std::optional<QString> chosen = Messages().chooseOpenFile(this, m_title, start, m_filter);
    if (chosen) {
        QString name = *chosen;
        if (!m_defaultExt.isEmpty() && QFileInfo(name).suffix().isEmpty() && !QFileInfo::exists(name))
            name += QLatin1Char('.') + m_defaultExt;
        m_edit->setText(name);
    }
    emit afterDialog(chosen.value_or(QString()), chosen.has_value());
}

} // namespace tovo
