#include "app/SessionGuard.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdlib>

#include "support/TempFolders.h"

namespace lc {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGHUP, SIGINT};

// The handler only writes the signal's number into the pipe; the event loop reads it.
int g_pipe[2] = {-1, -1};
SessionGuard* g_armed = nullptr;

extern "C" void OnSessionSignal(int signal) {
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    (void)!::write(g_pipe[1], &number, 1);
    errno = saved;
}

}  // namespace

SessionGuard::SessionGuard(std::function<void()> normalExit, QObject* parent)
    : QObject(parent), m_normalExit(std::move(normalExit)) {
    // Copies of windows that no longer run; those of running windows are marked as in use.
    IgnoreStatus(SweepOrphanedTempFolders(), "copies it cannot remove wait for the next sweep");

    // A lost display connection ends the process through exit(): the copies go on the way.
    static const bool registered = std::atexit(AtExit) == 0;
    (void)registered;
    g_armed = this;

    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionGuard::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &m_previous[i]);
}

SessionGuard::~SessionGuard() {
    Disarm();
    if (m_notifier != nullptr) {
        for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

void SessionGuard::Disarm() {
    if (g_armed == this) g_armed = nullptr;
}

void SessionGuard::OnSignal() {
    unsigned char number = 0;
    int last = 0;
    while (::read(g_pipe[0], &number, 1) == 1) last = number;
    if (last == 0) return;
    // The normal exit now, while the window may still be inside a dialog; the event loops
    // then end, and the program with 128 + the signal's number.
    if (g_armed == this) {
        Disarm();
        m_normalExit();
    }
    QCoreApplication::exit(128 + last);
}

void SessionGuard::AtExit() {
    SessionGuard* guard = g_armed;
    g_armed = nullptr;
    if (guard != nullptr) guard->m_normalExit();
}

}  // namespace lc
