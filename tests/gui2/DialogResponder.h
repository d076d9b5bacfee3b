// Answers the modal dialogs that an extraction brings up, in order: each step waits for a modal
// widget of its kind and acts on it while the code under test sits in its exec(). Dialogs that
// no step expects are recorded and dismissed, so a test fails on its checks instead of hanging.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

namespace lc::test {

class DialogResponder : public QObject {
    Q_OBJECT
public:
    enum class Kind { Replace, Question, Message, File, Any };
    using Action = std::function<void(QWidget*)>;

    DialogResponder();
    ~DialogResponder() override;

    DialogResponder& Then(Kind kind, Action action);
    // The replace dialog: presses the button with control id 1, 2, 223 or 225.
    DialogResponder& Replace(uint32_t buttonId);
    // A Yes/No question: presses the button.
    DialogResponder& Answer(QMessageBox::StandardButton button);
    // A message box with OK.
    DialogResponder& Message();
    // The folder picker or the save dialog: chooses path.
    DialogResponder& Choose(const QString& path);
    DialogResponder& CancelFile();

    // Kinds seen in order: "replace", "question", "message", "file", "about", "other".
    const QStringList& Seen() const { return m_seen; }
    // Texts of the message boxes, questions and replace dialogs seen.
    const QStringList& Texts() const { return m_texts; }
    // Icons of the message boxes and questions seen.
    const std::vector<QMessageBox::Icon>& Icons() const { return m_icons; }
    QStringList Captions() const { return m_captions; }
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
    QStringList m_texts;
    QStringList m_captions;
    std::vector<QMessageBox::Icon> m_icons;
};

}  // namespace lc::test
