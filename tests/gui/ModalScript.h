// Answers the modal dialogs of the window under test, one step at a time: each step waits for a
// modal widget of its kind to show, then acts on it (types a password, presses a button) while
// the code under test sits in its exec(). Every modal widget seen is recorded; one that no step
// expects is dismissed, so a test fails on its checks instead of hanging.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace lc::test {

class ModalScript : public QObject {
    Q_OBJECT
public:
    // Message is a message box without a Yes button; Question one with it.
    enum class Kind { Password, RetryDelay, Message, Question, File, Replace, Any };
    using Action = std::function<void(QWidget*)>;

    ModalScript();
    ~ModalScript() override;

    ModalScript& Then(Kind kind, Action action);
    // Password dialog: types the text and presses OK.
    ModalScript& Password(const QString& password);
    ModalScript& CancelPassword();
    // Countdown: only watched; it ends by itself.
    ModalScript& RetryDelay();
    // Message box: presses OK.
    ModalScript& Message();
    // Yes/No question: presses the button.
    ModalScript& Answer(QMessageBox::StandardButton button);
    // Open, save or folder dialog: chooses path.
    ModalScript& Choose(const QString& path);
    ModalScript& CancelFile();
    // The replace dialog: presses the button with control id 1, 2, 223 or 225.
    ModalScript& Replace(uint32_t buttonId);

    // Kinds seen in order: "password", "delay", "message", "question", "file", "replace",
    // "about", "other".
    const QStringList& Seen() const { return m_seen; }
    // Window titles of all modal widgets seen.
    const QStringList& Captions() const { return m_captions; }
    // Texts of the message boxes, questions and replace dialogs seen.
    const QStringList& Texts() const { return m_texts; }
    // Icons of the message boxes and questions seen.
    const std::vector<QMessageBox::Icon>& Icons() const { return m_icons; }
    // Widths in milliseconds of the countdowns seen.
    const std::vector<int>& DelayTotals() const { return m_delayTotals; }
    bool Finished() const { return m_next >= m_steps.size(); }

private:
    void Poll();
    void Record(QWidget* w);

    struct Step {
        Kind kind;
        Action action;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
    QPointer<QWidget> m_lastHandled;
    QStringList m_seen;
    QStringList m_captions;
    QStringList m_texts;
    std::vector<QMessageBox::Icon> m_icons;
    std::vector<int> m_delayTotals;
};

}  // namespace lc::test
