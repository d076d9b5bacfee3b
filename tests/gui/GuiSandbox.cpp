#include "GuiSandbox.h"

#include <unistd.h>

#include <QFile>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace lc::test {

static std::string Quoted(const fs::path& text) {  // the paths here hold no quotes
    return '\'' + text.string() + '\'';
}

GuiSandbox::GuiSandbox(const std::string& prefix)
    : m_root(fs::temp_directory_path() / (prefix + '-' + std::to_string(::getpid()))) {
    fs::remove_all(m_root);
    fs::create_directories(m_root / "cwd");
    for (const char* d : {"config", "runtime", "tmp"}) {
        fs::create_directories(m_root / d);
        // Private, as the desktop makes them; Qt warns of a runtime folder that is not.
        fs::permissions(m_root / d, fs::perms::owner_all, fs::perm_options::replace);
    }
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((m_root / "config").string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((m_root / "runtime").string()));
    qputenv("TMPDIR", QByteArray::fromStdString((m_root / "tmp").string()));
    fs::current_path(m_root / "cwd");
}

GuiSandbox::~GuiSandbox() {
    std::error_code ignored;  // out of the working folder first, so it can go
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(m_root, ignored);
}

bool GuiSandbox::MakeVolumes(const std::string& script, const std::vector<std::string>& extra) {
    std::string command =
        "bash " + Quoted(script) + ' ' + Quoted(m_root / "volumes") + ' ' + Quoted(LC_MKVOL);
    for (const std::string& arg : extra) command += ' ' + Quoted(arg);
    return std::system(command.c_str()) == 0;
}

void GuiSandbox::InstallOpener() {
    fs::create_directories(m_root / "bin");
    std::ofstream(m_root / "bin" / "xdg-open")
        << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>" << Quoted(m_root / "opened.log")
        << "\nexit \"${LC_OPENER_EXIT:-0}\"\n";
    fs::permissions(m_root / "bin" / "xdg-open", fs::perms::owner_all);
    qputenv("PATH", QByteArray::fromStdString((m_root / "bin").string()) + ':' + qgetenv("PATH"));
}

QStringList GuiSandbox::Opened() const {
    QFile log(Path("opened.log"));
    if (!log.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace lc::test
