// A private home for one run of a GUI test below the temporary folder: the working folder, the
// settings, runtime and temporary folders the application writes to, the test volumes, and a
// stand-in for the desktop's opener. Removed again when the sandbox goes.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

namespace lc::test {

class GuiSandbox {
public:
    // The folder is named prefix-PID, so parallel runs do not meet.
    explicit GuiSandbox(const std::string& prefix);
    ~GuiSandbox();
    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    // Points the settings, runtime and temporary folders and the working folder ("cwd") into
    // the sandbox, so a run neither reads nor leaves anything of the user's.
    void Isolate();
    // Runs `bash SCRIPT VOLUMES MKVOL EXTRA...`; true when the script succeeded.
    bool MakeVolumes(const std::string& script, const std::vector<std::string>& extra = {});
    QString Volumes() const { return QString::fromStdString((m_root / "volumes").string()); }

    // Puts a stand-in "xdg-open" first on PATH: it records what it is asked to open and exits
    // with the code last set (0 at first).
    void InstallOpener();
    void SetOpenerExit(int code);
    // Forgets what was opened; the exit code back to 0.
    void ResetOpener();
    // Paths and addresses handed to the opener, in order.
    QStringList Opened() const;

private:
    std::filesystem::path m_root;
};

}  // namespace lc::test
