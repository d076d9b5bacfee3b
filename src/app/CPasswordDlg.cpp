#include "app/CPasswordDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "resources/DialogTemplates.h"
#include "views/DialogUnits.h"

namespace lc {

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent) {
    const DialogTemplate* t = FindDialogTemplate(dialog::kPassword);
    const Language language = UserLanguage();
    const DialogUnits units(font());
    setWindowTitle(QString::fromUtf8(t->Title(language)));
    setFixedSize(units.ToPixels(t->width, t->height));

    QLabel* label = nullptr;
    for (const auto& c : t->controls) {
        const QRect r = units.ToPixels(c.x, c.y, c.width, c.height);
        const QString text = QString::fromUtf8(c.Text(language));
        switch (c.kind) {
            case DialogControlTemplate::Kind::Label:
                label = new QLabel(text, this);
                label->setGeometry(r);
                break;
            case DialogControlTemplate::Kind::PasswordEdit:
                m_edit = new QLineEdit(this);
                m_edit->setObjectName(QStringLiteral("password"));
                m_edit->setEchoMode(QLineEdit::Password);
                m_edit->setMaxLength(kMaxLength);
                m_edit->setGeometry(r);
                break;
            case DialogControlTemplate::Kind::Button:
            case DialogControlTemplate::Kind::DefaultButton: {
                auto* button = new QPushButton(text, this);
                button->setGeometry(r);
                const bool ok = c.id == dialog::kOk;
                button->setObjectName(ok ? QStringLiteral("ok") : QStringLiteral("cancel"));
                button->setDefault(c.kind == DialogControlTemplate::Kind::DefaultButton);
                button->setAutoDefault(false);
                connect(button, &QPushButton::clicked, this,
                        ok ? &QDialog::accept : &QDialog::reject);
                break;
            }
            case DialogControlTemplate::Kind::CentredLabel:
            case DialogControlTemplate::Kind::ProgressBar:
                break;
        }
    }
    if (label != nullptr) label->setBuddy(m_edit);
    m_edit->setFocus();
}

CPasswordDlg::~CPasswordDlg() {
    if (m_edit != nullptr) m_edit->clear();
}

void CPasswordDlg::accept() {
    QString text = m_edit->text();
    m_edit->clear();
    m_password =
        Password(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
    // The copy is now the string's only owner, so this overwrites it in place.
    text.fill(QChar(0));
    QDialog::accept();
}

}  // namespace lc
