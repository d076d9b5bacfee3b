#include "BenchUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <vector>

namespace lc::bench {

namespace {
const char* g_programName = "bench";
}

const std::u16string kPassword = u"bench password";

void SetProgramName(const char* name) {
    g_programName = name;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

void Shell(const std::string& command) {
    std::fflush(stdout);  // keep the order of our lines and the command's
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "%s: failed: %s\n", g_programName, command.c_str());
        std::exit(1);
    }
}

double Best(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void WritePattern(const std::filesystem::path& path, uint64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::vector<uint64_t> block(1 << 17);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (uint64_t done = 0; done < bytes;) {
        for (auto& v : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            v = x;
        }
        const uint64_t n = std::min<uint64_t>(bytes - done, block.size() * 8);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        done += n;
    }
}

void MakeVolume(const std::filesystem::path& image, const std::filesystem::path& vol) {
    Shell(std::string(LC_MKVOL) + " --password-a " + Quote("bench password") + " --algorithm 1 " +
          Quote(image) + " " + Quote(vol));
}

bool OpenVolume(CLCFiles& volume, const std::filesystem::path& vol) {
    const Status s = volume.Open(vol, std::span<const char16_t>(kPassword));
    if (s != status::kSuccess)
        std::fprintf(stderr, "%s: cannot open %s: %u\n", g_programName, vol.c_str(), s.code());
    return s == status::kSuccess;
}

const DirInfo* FindFile(const DirInfo& folder, const std::u16string& name) {
    for (const DirInfo* f = folder.firstFile; f != nullptr; f = f->nextFile)
        if (f->name == name) return f;
    return nullptr;
}

}  // namespace lc::bench
