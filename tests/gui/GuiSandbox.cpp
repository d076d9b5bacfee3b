#include "GuiSandbox.h"

#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace lc::test {

namespace {

void Point(const char* variable, const fs::path& folder) {
    qputenv(variable, QByteArray::fromStdString(folder.string()));
}

// Single-quoted for the shell; the paths here hold no quotes.
std::string Quoted(const std::string& text) {
    return '\'' + text + '\'';
}

}  // namespace

GuiSandbox::GuiSandbox(const std::string& prefix)
    : m_root(fs::temp_directory_path() / (prefix + '-' + std::to_string(::getpid()))) {
    fs::remove_all(m_root);
    fs::create_directories(m_root);
}

GuiSandbox::~GuiSandbox() {
    // Out of the working folder first, so it can go.
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(m_root, ignored);
}

void GuiSandbox::Isolate() {
    fs::create_directories(m_root / "cwd");
    for (const char* d : {"config", "runtime", "tmp"}) {
        fs::create_directories(m_root / d);
        // Private, as the desktop makes them; Qt warns of a runtime folder that is not.
        fs::permissions(m_root / d, fs::perms::owner_all, fs::perm_options::replace);
    }
    Point("XDG_CONFIG_HOME", m_root / "config");
    Point("XDG_RUNTIME_DIR", m_root / "runtime");
    Point("TMPDIR", m_root / "tmp");
    fs::current_path(m_root / "cwd");
}

bool GuiSandbox::MakeVolumes(const std::string& script, const std::vector<std::string>& extra) {
    std::string command =
        "bash " + Quoted(script) + ' ' + Quoted(Volumes().toStdString()) + ' ' + Quoted(LC_MKVOL);
    for (const std::string& arg : extra) command += ' ' + Quoted(arg);
    return std::system(command.c_str()) == 0;
}

void GuiSandbox::InstallOpener() {
    const fs::path bin = m_root / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>" << Quoted((m_root / "opened.log").string())
        << "\nexit $(cat " << Quoted((m_root / "opener-exit").string())
        << " 2>/dev/null || echo 0)\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    qputenv("PATH", QByteArray::fromStdString(bin.string()) + ':' + qgetenv("PATH"));
}

void GuiSandbox::SetOpenerExit(int code) {
    std::ofstream(m_root / "opener-exit") << code;
}

void GuiSandbox::ResetOpener() {
    fs::remove(m_root / "opened.log");
    SetOpenerExit(0);
}

QStringList GuiSandbox::Opened() const {
    std::ifstream in(m_root / "opened.log");
    std::stringstream text;
    text << in.rdbuf();
    return QString::fromStdString(text.str()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace lc::test
