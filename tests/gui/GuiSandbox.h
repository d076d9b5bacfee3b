// A private home for one run of a GUI test: the working folder, the settings, runtime and
// temporary folders the application writes to, the test volumes, and a stand-in for the
// desktop's opener. Removed again when the sandbox goes.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

namespace lc::test {

class GuiSandbox {
public:
    // Named prefix-PID, so parallel runs do not meet. Points the settings, runtime and
    // temporary folders and the working folder ("cwd") into the sandbox.
    explicit GuiSandbox(const std::string& prefix);
    ~GuiSandbox();
    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    // Runs `bash SCRIPT VOLUMES MKVOL EXTRA...`; true when the script succeeded.
    bool MakeVolumes(const std::string& script, const std::vector<std::string>& extra = {});
    QString Volume(const QString& name) const;

    // Puts a stand-in "xdg-open" first on PATH that records what it is asked to open and exits
    // with the code last set (0 after a reset).
    void InstallOpener();
    void SetOpenerExit(int code);
    void ResetOpener();  // forgets what was opened, too
    QStringList Opened() const;

private:
    std::filesystem::path m_root;
};

}  // namespace lc::test
