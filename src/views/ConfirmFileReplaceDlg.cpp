#include "views/ConfirmFileReplaceDlg.h"

#include <QLabel>
#include <QPushButton>

#include "resources/DialogTemplates.h"
#include "views/DialogUnits.h"

namespace lc {

namespace {

// Control id → button slot and the dialog result it ends with.
struct ButtonRole {
    uint32_t id;
    int result;
};
constexpr ButtonRole kRoles[4] = {{dialog::kOk, ConfirmFileReplaceDlg::kYes},
                                  {dialog::kYesToAll, ConfirmFileReplaceDlg::kYesToAll},
                                  {dialog::kNo, ConfirmFileReplaceDlg::kNo},
                                  {dialog::kCancel, ConfirmFileReplaceDlg::kCancel}};

}  // namespace

ConfirmFileReplaceDlg::ConfirmFileReplaceDlg(const QString& path, QWidget* parent)
    : QDialog(parent) {
    const DialogTemplate* t = FindDialogTemplate(dialog::kConfirmReplace);
    const Language language = UserLanguage();
    const DialogUnits units(font());
    setWindowTitle(QString::fromUtf8(t->Title(language)));
    setFixedSize(units.ToPixels(t->width, t->height));

    for (const auto& c : t->controls) {
        const QRect r = units.ToPixels(c.x, c.y, c.width, c.height);
        const QString text = QString::fromUtf8(c.Text(language));
        if (c.kind == DialogControlTemplate::Kind::Label) {
            auto* label = new QLabel(this);
            label->setGeometry(r);
            label->setWordWrap(true);
            if (c.id == dialog::kConfirmReplaceText) {
                // The template's text is the format, the path fills it.
                label->setText(QString::asprintf(c.Text(language), path.toUtf8().constData()));
                m_text = label;
            } else {
                label->setText(text);
            }
            continue;
        }
        for (size_t i = 0; i < std::size(kRoles); ++i) {
            if (kRoles[i].id != c.id) continue;
            auto* button = new QPushButton(text, this);
            button->setGeometry(r);
            button->setDefault(c.kind == DialogControlTemplate::Kind::DefaultButton);
            button->setAutoDefault(false);
            const int result = kRoles[i].result;
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
            m_buttons[i] = button;
        }
    }
    if (m_buttons[0] != nullptr) m_buttons[0]->setFocus();
}

QString ConfirmFileReplaceDlg::Text() const {
    return m_text != nullptr ? m_text->text() : QString();
}

QPushButton* ConfirmFileReplaceDlg::Button(uint32_t id) const {
    for (size_t i = 0; i < std::size(kRoles); ++i) {
        if (kRoles[i].id == id) return m_buttons[i];
    }
    return nullptr;
}

}  // namespace lc
