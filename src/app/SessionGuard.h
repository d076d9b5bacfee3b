// Takes care that no plain copy outlives the window. At start-up it wipes the temporary folders
// left by windows that no longer run (killed, or gone with their session); while the window
// runs, SIGTERM, SIGHUP and SIGINT (the session ending, the terminal closing, Ctrl-C) and a lost
// display connection run the window's normal exit before the process ends.
#pragma once

#include <signal.h>

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace lc {

class SessionGuard : public QObject {
    Q_OBJECT
public:
    // normalExit: what the window does when it closes (wipes its temporary folder).
    explicit SessionGuard(std::function<void()> normalExit, QObject* parent = nullptr);
    ~SessionGuard() override;
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;

    // The normal exit has run: nothing is left to do when the process ends.
    void Disarm();

private:
    void OnSignal();
    static void AtExit();

    std::function<void()> m_normalExit;
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};

}  // namespace lc
