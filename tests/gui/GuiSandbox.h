// A private home for one run of a GUI test: working, settings, runtime and temporary folders, the
// test volumes and a stand-in for the desktop's opener. Removed again when the sandbox goes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

namespace lc::test {

class GuiSandbox {
public:
    explicit GuiSandbox(const std::string& prefix);  // named prefix-PID; enters "cwd"
    ~GuiSandbox();
    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    // Runs `bash SCRIPT VOLUMES MKVOL EXTRA...`; true when the script succeeded.
    bool MakeVolumes(const std::string& script, const std::vector<std::string>& extra = {});
    QString Volume(const QString& name) const { return Path("volumes/" + name.toStdString()); }

    // A stand-in "xdg-open" first on PATH: records what it opens, exits with the code last set.
    void InstallOpener();
    void SetOpenerExit(int code) { qputenv("LC_OPENER_EXIT", QByteArray::number(code)); }
    void ResetOpener() {  // exit 0, nothing opened
        std::filesystem::remove(m_root / "opened.log");
        qunsetenv("LC_OPENER_EXIT");
    }
    QStringList Opened() const;

private:
    QString Path(const std::string& relative) const {
        return QString::fromStdString((m_root / relative).string());
    }
    std::filesystem::path m_root;
};

}  // namespace lc::test
