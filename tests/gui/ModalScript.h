// Answers the modal dialogs of the window under test in order: each step waits for a modal widget
// of its kind and acts on it while the code under test sits in exec(). Every modal widget is
// recorded; one no step expects is dismissed, so a test fails on its checks instead of hanging.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace lc::test {

class ModalScript : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void(QWidget*)>;

    ModalScript();

    // Kinds: "password", "delay", "message" (a box without Yes), "question", "file", "replace",
    // "about", "other". No action: only watched (the countdown ends by itself).
    ModalScript& Then(const QString& kind, Action action = {});
    ModalScript& Password(const QString& password);  // types it, presses OK
    ModalScript& Cancel(const QString& kind);
    ModalScript& Message() { return Answer(QMessageBox::Ok); }
    ModalScript& Answer(QMessageBox::StandardButton button);
    ModalScript& Choose(const QString& path);  // in an open, save or folder dialog
    ModalScript& Replace(uint32_t buttonId);

    // Per modal widget: kind, title, whether the wait cursor was up; texts and icons of the boxes
    // and replace dialogs; the countdowns' lengths in milliseconds.
    QStringList seen, captions, texts;
    QList<bool> waitCursors;
    std::vector<QMessageBox::Icon> icons;
    std::vector<int> delayTotals;

private:
    void Poll();

    std::vector<std::pair<QString, Action>> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
    QPointer<QWidget> m_lastHandled;
};

}  // namespace lc::test
