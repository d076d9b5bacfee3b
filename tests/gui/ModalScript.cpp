#include "ModalScript.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/CPasswordDlg.h"
#include "app/RetryDelayDialog.h"
#include "views/CAboutDlg.h"
#include "views/ConfirmFileReplaceDlg.h"

namespace lc::test {

namespace {

bool IsQuestion(QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    return box != nullptr && box->button(QMessageBox::Yes) != nullptr;
}

bool IsKind(QWidget* w, ModalScript::Kind kind) {
    switch (kind) {
        case ModalScript::Kind::Password:
            return qobject_cast<CPasswordDlg*>(w) != nullptr;
        case ModalScript::Kind::RetryDelay:
            return qobject_cast<RetryDelayDialog*>(w) != nullptr;
        case ModalScript::Kind::Message:
            return qobject_cast<QMessageBox*>(w) != nullptr && !IsQuestion(w);
        case ModalScript::Kind::Question:
            return IsQuestion(w);
        case ModalScript::Kind::File:
            return qobject_cast<QFileDialog*>(w) != nullptr;
        case ModalScript::Kind::Replace:
            return qobject_cast<ConfirmFileReplaceDlg*>(w) != nullptr;
        case ModalScript::Kind::Any:
            return true;
    }
    return false;
}

QString KindName(QWidget* w) {
    if (qobject_cast<CPasswordDlg*>(w)) return QStringLiteral("password");
    if (qobject_cast<RetryDelayDialog*>(w)) return QStringLiteral("delay");
    if (IsQuestion(w)) return QStringLiteral("question");
    if (qobject_cast<QMessageBox*>(w)) return QStringLiteral("message");
    if (qobject_cast<QFileDialog*>(w)) return QStringLiteral("file");
    if (qobject_cast<ConfirmFileReplaceDlg*>(w)) return QStringLiteral("replace");
    if (qobject_cast<CAboutDlg*>(w)) return QStringLiteral("about");
    return QStringLiteral("other");
}

}  // namespace

ModalScript::ModalScript() {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::Poll);
    m_timer.start();
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::Then(Kind kind, Action action) {
    m_steps.push_back({kind, std::move(action)});
    return *this;
}

ModalScript& ModalScript::Password(const QString& password) {
    return Then(Kind::Password, [password](QWidget* w) {
        auto* dialog = static_cast<CPasswordDlg*>(w);
        dialog->Edit()->setText(password);
        dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    });
}

ModalScript& ModalScript::CancelPassword() {
    return Then(Kind::Password,
                [](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("cancel"))->click(); });
}

ModalScript& ModalScript::RetryDelay() {
    return Then(Kind::RetryDelay, [](QWidget*) {});
}

ModalScript& ModalScript::Message() {
    return Then(Kind::Message,
                [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); });
}

ModalScript& ModalScript::Answer(QMessageBox::StandardButton button) {
    return Then(Kind::Question,
                [button](QWidget* w) { static_cast<QMessageBox*>(w)->button(button)->click(); });
}

ModalScript& ModalScript::Choose(const QString& path) {
    return Then(Kind::File, [path](QWidget* w) {
        auto* dialog = static_cast<QFileDialog*>(w);
        if (dialog->fileMode() == QFileDialog::Directory) {
            // The folder itself, not an entry of its parent.
            dialog->setDirectory(path);
            dialog->selectFile(QString());
        } else {
            const QFileInfo file(path);
            dialog->setDirectory(file.absolutePath());
            dialog->selectFile(file.fileName());
            // selectFile leaves a focused name field as it is.
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(file.fileName());
        }
        static_cast<QDialog*>(dialog)->accept();
    });
}

ModalScript& ModalScript::CancelFile() {
    return Then(Kind::File, [](QWidget* w) { static_cast<QFileDialog*>(w)->reject(); });
}

ModalScript& ModalScript::Replace(uint32_t buttonId) {
    return Then(Kind::Replace, [buttonId](QWidget* w) {
        static_cast<ConfirmFileReplaceDlg*>(w)->Button(buttonId)->click();
    });
}

void ModalScript::Record(QWidget* w) {
    m_seen.append(KindName(w));
    m_captions.append(w->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        m_texts.append(box->text());
        m_icons.push_back(box->icon());
    } else if (auto* replace = qobject_cast<ConfirmFileReplaceDlg*>(w)) {
        m_texts.append(replace->Text());
    } else if (auto* delay = qobject_cast<RetryDelayDialog*>(w)) {
        m_delayTotals.push_back(delay->TotalMilliseconds());
    }
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == m_lastHandled) return;
    m_lastHandled = modal;
    Record(modal);
    if (m_next < m_steps.size() && IsKind(modal, m_steps[m_next].kind)) {
        // Acted on from the event loop, so a dialog the action brings up is polled for too.
        QTimer::singleShot(0, modal, [modal, action = m_steps[m_next++].action] { action(modal); });
        return;
    }
    // An unexpected dialog: get it out of the way. The countdown ends by itself.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr) button = box->button(QMessageBox::No);
        if (button != nullptr) button->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal);
               dialog != nullptr && qobject_cast<RetryDelayDialog*>(modal) == nullptr) {
        dialog->reject();
    }
}

}  // namespace lc::test
