#include "TestSupport.h"

#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <openssl/evp.h>

extern char** environ;

namespace lc::test {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lctest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    m_path = pattern;
}

ScratchDir::~ScratchDir() {
    namespace fs = std::filesystem;
    // Tests mark folders read-only; give the owner access back before removing.
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::recursive_directory_iterator it(m_path, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

RunResult Run(const std::vector<std::string>& argv, const std::string& input,
              const std::vector<std::string>& extraEnv) {
    // The standard streams are memory files, read through /proc: no pipe can fill up and block.
    int streams[3];
    auto stream = [&](int i) { return "/proc/self/fd/" + std::to_string(streams[i]); };
    for (int& fd : streams)
        if ((fd = ::memfd_create("lctest", MFD_CLOEXEC)) < 0) throw std::runtime_error("memfd");
    WriteText(stream(0), input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int i = 0; i < 3; ++i) posix_spawn_file_actions_adddup2(&actions, streams[i], i);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    for (const auto& extra : extraEnv) {  // "NAME=value" sets, "NAME" alone removes
        const std::string key = extra.substr(0, extra.find('=')) + "=";
        std::erase_if(env, [&](const std::string& s) { return s.starts_with(key); });
        if (extra.find('=') != std::string::npos) env.push_back(extra);
    }
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (auto& e : env) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (rc == 0) {
        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        result = {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus),
                  ReadText(stream(1)), ReadText(stream(2))};
    }
    for (int fd : streams) ::close(fd);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    return result;
}

RunResult RunCli(const std::filesystem::path& home, std::vector<std::string> args,
                 const std::string& password, std::vector<std::string> env) {
    args.insert(args.begin(), CliPath());
    env.insert(env.begin(),
               {"LCPORTABLE_PASSWORD" + (password.empty() ? "" : "=" + password),
                "XDG_CONFIG_HOME=" + home.string(), "XDG_RUNTIME_DIR=" + home.string()});
    return Run(args, {}, env);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadText(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Sha256Hex(const std::vector<uint8_t>& data) {
    unsigned char digest[32];
    EVP_Digest(data.data(), data.size(), digest, nullptr, EVP_sha256(), nullptr);
    std::string out;
    for (unsigned char b : digest)
        out.append({"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]});
    return out;
}

std::string MkvolPath() {
    return LC_MKVOL;
}
std::string CliPath() {
    return LC_CLI;
}
std::filesystem::path FixtureDir() {
    return LC_FIXTURE_DIR;
}

}  // namespace lc::test
