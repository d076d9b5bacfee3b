#include "ModalScript.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/CPasswordDlg.h"
#include "app/RetryDelayDialog.h"

namespace lc::test {

namespace {

bool IsKind(QWidget* w, ModalScript::Kind kind) {
    switch (kind) {
        case ModalScript::Kind::Password:
            return qobject_cast<CPasswordDlg*>(w) != nullptr;
        case ModalScript::Kind::RetryDelay:
            return qobject_cast<RetryDelayDialog*>(w) != nullptr;
        case ModalScript::Kind::MessageBox:
            return qobject_cast<QMessageBox*>(w) != nullptr;
        case ModalScript::Kind::FileDialog:
            return qobject_cast<QFileDialog*>(w) != nullptr;
    }
    return false;
}

QString KindName(QWidget* w) {
    if (qobject_cast<CPasswordDlg*>(w)) return QStringLiteral("password");
    if (qobject_cast<RetryDelayDialog*>(w)) return QStringLiteral("delay");
    if (qobject_cast<QMessageBox*>(w)) return QStringLiteral("message");
    if (qobject_cast<QFileDialog*>(w)) return QStringLiteral("file");
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
    return Then(Kind::RetryDelay, [this](QWidget* w) {
        m_delayTotals.push_back(static_cast<RetryDelayDialog*>(w)->TotalMilliseconds());
    });
}

ModalScript& ModalScript::Message() {
    return Then(Kind::MessageBox, [this](QWidget* w) {
        auto* box = static_cast<QMessageBox*>(w);
        m_messages.append(box->text());
        box->button(QMessageBox::Ok)->click();
    });
}

ModalScript& ModalScript::OpenFile(const QString& path) {
    return Then(Kind::FileDialog, [path](QWidget* w) {
        auto* dialog = static_cast<QFileDialog*>(w);
        dialog->selectFile(path);
        // selectFile leaves a focused name field as it is.
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(QFileInfo(path).fileName());
        static_cast<QDialog*>(dialog)->accept();
    });
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == m_lastHandled) return;
    m_lastHandled = modal;
    m_seen.append(KindName(modal));
    if (m_next < m_steps.size() && IsKind(modal, m_steps[m_next].kind)) {
        Step step = m_steps[m_next++];
        step.action(modal);
        return;
    }
    // An unexpected dialog: get it out of the way so the test fails on its checks, not hangs.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_messages.append(box->text());
        box->button(QMessageBox::Ok)->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal);
               dialog && !IsKind(modal, Kind::RetryDelay)) {
        dialog->reject();
    }
}

}  // namespace lc::test
