// The window's temporary copies against the ways a desktop session ends: SIGTERM, SIGHUP, a lost
// display, and a window killed outright (the next start wipes its copies, not a running one's).
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "GuiSandbox.h"
#include "WindowDriver.h"
#include "resources/MenuTemplate.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

enum class Window { Viewing, StartOnly };

// Forks a window (Viewing: top.txt of extract.vol viewed, then its event loop); returns once that
// is done, -1 when it failed.
pid_t StartWindow(const GuiSandbox& sandbox, Window what, const char* display = nullptr) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(ready[1]);
        pollfd wait{ready[0], POLLIN, 0};
        char ok = 0;
        if (::poll(&wait, 1, 60000) != 1 || ::read(ready[0], &ok, 1) != 1) ok = 0;
        ::close(ready[0]);
        if (ok || pid < 0) return ok ? pid : -1;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    if (display != nullptr) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::setenv("DISPLAY", display, 1);
    }
    int argc = 1;
    char name[] = "lcportable";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    int code = 0;
    {
        WindowDriver w;
        char ok = w.Start();
        if (ok && what == Window::Viewing) {
            ok = w.Open(sandbox.Volume(S("extract.vol"))) && w.Select({S("top.txt")});
            if (ok) w.Frame()->OnCommand(command::kView);
        }
        (void)!::write(ready[1], &ok, 1);
        if (what == Window::Viewing) code = QApplication::exec();
    }
    ::_exit(code);
}

// Exit code of the child (128 + n for the signal n that ended it), -1 when it did not end.
int WaitExit(pid_t pid, int seconds = 30) {
    int status = 0;
    for (int i = 0; i < seconds * 100; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

class SessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_sandbox = new GuiSandbox("lc-session");
        ASSERT_TRUE(s_sandbox->MakeVolumes(LC_GUI_EXTRACT_VOLUME_SCRIPT, {LC_NTFS_FIXTURES}));
        s_sandbox->InstallOpener();
    }
    static void TearDownTestSuite() { delete s_sandbox; }

    // Plain copies anywhere under the temporary root.
    static size_t Copies() {
        const fs::path root = s_sandbox->Root() / "runtime" / "LCPortable";
        size_t files = 0;
        std::error_code e;
        for (fs::recursive_directory_iterator it(root, e), end; it != end; it.increment(e))
            files += it->is_regular_file();
        return files;
    }

    static inline GuiSandbox* s_sandbox = nullptr;
};

TEST_F(SessionTest, TermAndHangUpRunTheNormalExit) {
    for (int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t window = StartWindow(*s_sandbox, Window::Viewing);
        ASSERT_GT(window, 0);
        EXPECT_EQ(Copies(), 1u);
        ::kill(window, signal);
        EXPECT_EQ(WaitExit(window), 128 + signal);
        EXPECT_FALSE(fs::exists(s_sandbox->Root() / "runtime" / "LCPortable"));
    }
}

TEST_F(SessionTest, CopiesOfAKilledWindowGoAtTheNextStartThoseOfARunningOneStay) {
    const pid_t window = StartWindow(*s_sandbox, Window::Viewing);
    ASSERT_GT(window, 0);
    ASSERT_EQ(Copies(), 1u);
    EXPECT_EQ(WaitExit(StartWindow(*s_sandbox, Window::StartOnly)), 0);
    EXPECT_EQ(Copies(), 1u);  // in use

    ::kill(window, SIGKILL);
    EXPECT_EQ(WaitExit(window), 128 + SIGKILL);
    EXPECT_EQ(Copies(), 1u);
    EXPECT_EQ(WaitExit(StartWindow(*s_sandbox, Window::StartOnly)), 0);
    EXPECT_EQ(Copies(), 0u);
}

TEST_F(SessionTest, LostDisplayRunsTheNormalExit) {
    if (std::system("command -v Xvfb >/dev/null") != 0) GTEST_SKIP() << "no Xvfb";
    // A display number of this run; the server is ready once its socket is there.
    int number = 100 + ::getpid() % 800;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
    const std::string display = ":" + std::to_string(number);
    const pid_t server = ::fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        ::execlp("Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 1000 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    const pid_t window = StartWindow(*s_sandbox, Window::Viewing, display.c_str());
    ASSERT_GT(window, 0);
    EXPECT_EQ(Copies(), 1u);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    EXPECT_EQ(WaitExit(window), 1);  // Qt ends the program when its display connection breaks
    EXPECT_EQ(Copies(), 0u);
}

}  // namespace
}  // namespace lc::test
