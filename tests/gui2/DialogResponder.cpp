#include "DialogResponder.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include "views/CAboutDlg.h"
#include "views/ConfirmFileReplaceDlg.h"

namespace lc::test {

namespace {

bool IsQuestion(QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    return box != nullptr && box->button(QMessageBox::Yes) != nullptr;
}

bool IsKind(QWidget* w, DialogResponder::Kind kind) {
    switch (kind) {
        case DialogResponder::Kind::Replace:
            return qobject_cast<ConfirmFileReplaceDlg*>(w) != nullptr;
        case DialogResponder::Kind::Question:
            return IsQuestion(w);
        case DialogResponder::Kind::Message:
            return qobject_cast<QMessageBox*>(w) != nullptr && !IsQuestion(w);
        case DialogResponder::Kind::File:
            return qobject_cast<QFileDialog*>(w) != nullptr;
        case DialogResponder::Kind::Any:
            return true;
    }
    return false;
}

QString KindName(QWidget* w) {
    if (qobject_cast<ConfirmFileReplaceDlg*>(w)) return QStringLiteral("replace");
    if (IsQuestion(w)) return QStringLiteral("question");
    if (qobject_cast<QMessageBox*>(w)) return QStringLiteral("message");
    if (qobject_cast<QFileDialog*>(w)) return QStringLiteral("file");
    if (qobject_cast<CAboutDlg*>(w)) return QStringLiteral("about");
    return QStringLiteral("other");
}

}  // namespace

DialogResponder::DialogResponder() {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &DialogResponder::Poll);
    m_timer.start();
}

DialogResponder::~DialogResponder() = default;

DialogResponder& DialogResponder::Then(Kind kind, Action action) {
    m_steps.push_back({kind, std::move(action)});
    return *this;
}

DialogResponder& DialogResponder::Replace(uint32_t buttonId) {
    return Then(Kind::Replace, [buttonId](QWidget* w) {
        static_cast<ConfirmFileReplaceDlg*>(w)->Button(buttonId)->click();
    });
}

DialogResponder& DialogResponder::Answer(QMessageBox::StandardButton button) {
    return Then(Kind::Question,
                [button](QWidget* w) { static_cast<QMessageBox*>(w)->button(button)->click(); });
}

DialogResponder& DialogResponder::Message() {
    return Then(Kind::Message,
                [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); });
}

DialogResponder& DialogResponder::Choose(const QString& path) {
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

DialogResponder& DialogResponder::CancelFile() {
    return Then(Kind::File, [](QWidget* w) { static_cast<QFileDialog*>(w)->reject(); });
}

void DialogResponder::Record(QWidget* w) {
    m_seen.append(KindName(w));
    m_captions.append(w->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        m_texts.append(box->text());
        m_icons.push_back(box->icon());
    } else if (auto* replace = qobject_cast<ConfirmFileReplaceDlg*>(w)) {
        m_texts.append(replace->Text());
    }
}

void DialogResponder::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == m_lastHandled) return;
    m_lastHandled = modal;
    Record(modal);
    if (m_next < m_steps.size() && IsKind(modal, m_steps[m_next].kind)) {
        // Acted on from the event loop, so a dialog the action brings up is polled for too.
        QTimer::singleShot(0, modal, [modal, action = m_steps[m_next++].action] { action(modal); });
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr) button = box->button(QMessageBox::No);
        if (button != nullptr) button->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}

}  // namespace lc::test
