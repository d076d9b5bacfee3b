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

QString KindOf(QWidget* w) {
    if (qobject_cast<CPasswordDlg*>(w)) return QStringLiteral("password");
    if (qobject_cast<RetryDelayDialog*>(w)) return QStringLiteral("delay");
    if (auto* box = qobject_cast<QMessageBox*>(w))
        return box->button(QMessageBox::Yes) ? QStringLiteral("question")
                                             : QStringLiteral("message");
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

ModalScript& ModalScript::Then(const QString& kind, Action action) {
    m_steps.emplace_back(kind, std::move(action));
    return *this;
}

ModalScript& ModalScript::Password(const QString& password) {
    return Then(QStringLiteral("password"), [password](QWidget* w) {
        static_cast<CPasswordDlg*>(w)->Edit()->setText(password);
        w->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    });
}

ModalScript& ModalScript::Cancel(const QString& kind) {
    return Then(kind, [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
}

ModalScript& ModalScript::Answer(QMessageBox::StandardButton button) {
    return Then(button == QMessageBox::Ok ? QStringLiteral("message") : QStringLiteral("question"),
                [button](QWidget* w) { static_cast<QMessageBox*>(w)->button(button)->click(); });
}

ModalScript& ModalScript::Choose(const QString& path) {
    return Then(QStringLiteral("file"), [path](QWidget* w) {
        auto* dialog = static_cast<QFileDialog*>(w);
        if (dialog->fileMode() == QFileDialog::Directory) {
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

ModalScript& ModalScript::Replace(uint32_t buttonId) {
    return Then(QStringLiteral("replace"), [buttonId](QWidget* w) {
        static_cast<ConfirmFileReplaceDlg*>(w)->Button(buttonId)->click();
    });
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == m_lastHandled) return;
    m_lastHandled = modal;
    const QString kind = KindOf(modal);
    seen.append(kind);
    captions.append(modal->windowTitle());
    waitCursors.append(QGuiApplication::overrideCursor() != nullptr &&
                       QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts.append(box->text());
        icons.push_back(box->icon());
    } else if (auto* replace = qobject_cast<ConfirmFileReplaceDlg*>(modal)) {
        texts.append(replace->Text());
    } else if (auto* delay = qobject_cast<RetryDelayDialog*>(modal)) {
        delayTotals.push_back(delay->TotalMilliseconds());
    }
    if (m_next < m_steps.size() && m_steps[m_next].first == kind) {
        // Acted on from the event loop, so a dialog the action brings up is polled for too.
        QTimer::singleShot(0, modal, [modal, action = m_steps[m_next++].second] {
            if (action) action(modal);
        });
        return;
    }
    // An unexpected dialog: out of the way. The countdown ends by itself.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr) button = box->button(QMessageBox::No);
        if (button != nullptr) button->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && kind != u"delay") {
        dialog->reject();
    }
}

}  // namespace lc::test
