#include "FatImageBuilder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <stdexcept>

#include "TestSupport.h"

namespace lc::test {

namespace {

const std::vector<std::string> kMtoolsEnv = {"MTOOLS_SKIP_CHECK=1"};

void Check(const RunResult& r, const std::string& what) {
    if (r.exitCode != 0) throw std::runtime_error(what + " failed: " + r.err + r.out);
}

}  // namespace

FatImageBuilder::FatImageBuilder(std::filesystem::path workDir, int fatBits,
                                 unsigned sectorsPerCluster, unsigned sizeKiB)
    : m_dir(std::move(workDir)) {
    std::filesystem::create_directories(m_dir);
    m_image = m_dir / "image.fat";
    m_source = m_dir / "source";
    std::filesystem::create_directories(m_source);
    Check(Run({"mkfs.fat", "-C", "-F", std::to_string(fatBits), "-s",
               std::to_string(sectorsPerCluster), "-i", "12345678", m_image.string(),
               std::to_string(sizeKiB)}),
          "mkfs.fat");
}

void FatImageBuilder::Mtools(std::vector<std::string> argv) const {
    argv.insert(argv.begin() + 1, {"-i", m_image.string()});
    const std::string what = argv[0];
    Check(Run(argv, {}, kMtoolsEnv), what);
}

void FatImageBuilder::AddFolder(const std::string& path) {
    std::filesystem::create_directories(m_source / path);
    Mtools({"mmd", "::/" + path});
    m_entries[path].directory = true;
}

void FatImageBuilder::AddFile(const std::string& path, std::vector<uint8_t> data, time_t mtime) {
    const auto file = m_source / path;
    std::filesystem::create_directories(file.parent_path());
    WriteFileBytes(file, data);
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + file.string());
    Mtools({"mcopy", "-m", file.string(), "::/" + path});
    SourceEntry& e = m_entries[path];
    e.directory = false;
    e.data = std::move(data);
    e.mtime = mtime;
}

std::filesystem::path FatImageBuilder::MakeVolume(const std::string& password,
                                                  int algorithm) const {
    const auto vol = m_dir / ("volume-" + std::to_string(algorithm) + ".vol");
    Check(Run({MkvolPath(), "--password-a", password, "--algorithm", std::to_string(algorithm),
               "--name", "E2E", m_image.string(), vol.string()}),
          "mkvol");
    return vol;
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}  // namespace lc::test
