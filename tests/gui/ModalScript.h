// Answers the modal dialogs of the window under test, one step at a time: each step waits for a
// modal widget of its kind to show, then acts on it (types a password, presses a button) while
// the code under test sits in its exec().
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace lc::test {

class ModalScript : public QObject {
    Q_OBJECT
public:
    enum class Kind { Password, RetryDelay, MessageBox, FileDialog };
    using Action = std::function<void(QWidget*)>;

    ModalScript();
    ~ModalScript() override;

    ModalScript& Then(Kind kind, Action action);
    // Password dialog: types the text and presses OK.
    ModalScript& Password(const QString& password);
    ModalScript& CancelPassword();
    // Countdown: only watched; it ends by itself.
    ModalScript& RetryDelay();
    // Message box: records its text and presses its only button.
    ModalScript& Message();
    ModalScript& OpenFile(const QString& path);

    // Every modal widget seen, by kind name, in order ("password", "delay", "message", "file").
    const QStringList& Seen() const { return m_seen; }
    const QStringList& Messages() const { return m_messages; }
    bool Finished() const { return m_next >= m_steps.size(); }
    // Widths in milliseconds of the countdowns seen.
    const std::vector<int>& DelayTotals() const { return m_delayTotals; }

private:
    void Poll();

    struct Step {
        Kind kind;
        Action action;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
    QPointer<QWidget> m_lastHandled;
    QStringList m_seen;
    QStringList m_messages;
    std::vector<int> m_delayTotals;
};

}  // namespace lc::test
