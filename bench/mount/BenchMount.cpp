// The mount against ntfs-3g -o ro of the same plain image, both through FUSE, in one run:
//   1. reading a 1 GiB file sequentially (target: at most 1.25 times ntfs-3g's time);
//   2. `find MOUNTPOINT | wc -l` over 100,000 entries (target: at most ntfs-3g's time).
// Each run starts from fresh mounts (nothing of the files in the page cache) over a backing file
// that is in the cache, so both sides read the same way.
// Usage (as root: the image is filled through an ntfs-3g mount, caches are dropped):
//   bench_mount [--work DIR] [--size-mib N] [--entries N] [--keep]

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "BenchUtil.h"

namespace {

namespace fs = std::filesystem;
using namespace lc::bench;

// --keep: images and volumes stay in the work folder and are used again by the next run.
bool g_keep = false;

void Remove(const fs::path& image, const fs::path& vol) {
    if (g_keep) return;
    fs::remove(image);
    fs::remove(vol);
}

void Mount3g(const fs::path& image, const fs::path& mnt, bool readOnly) {
    fs::create_directories(mnt);
    Shell(std::string("ntfs-3g -o ") + (readOnly ? "ro " : "big_writes ") + Quote(image) + " " +
          Quote(mnt));
}

void MountVolume(const fs::path& vol, const fs::path& mnt) {
    fs::create_directories(mnt);
    Shell("LCPORTABLE_PASSWORD='bench password' " + std::string(LC_CLI) + " mount " + Quote(vol) +
          " " + Quote(mnt));
}

void Unmount(const fs::path& mnt) {
    Shell("umount " + Quote(mnt));
}

// Empties the page cache, then reads the backing files back in: each mount starts cold, the
// disk below does not count.
void ColdMounts(const fs::path& image, const fs::path& vol) {
    Shell("sync && echo 3 > /proc/sys/vm/drop_caches");
    Shell("cat " + Quote(image) + " " + Quote(vol) + " >/dev/null");
}

struct Pair {
    double ours;
    double peer;
};

// Times work(mountpoint) on fresh mounts of both sides, best of runs.
Pair Measure(const fs::path& work, const fs::path& image, const fs::path& vol, int runs,
             const std::function<void(const fs::path&)>& task) {
    const fs::path ours = work / "ours", peer = work / "peer";
    Pair result{};
    result.peer = Best(
        runs, [&] { ColdMounts(image, vol), Mount3g(image, peer, true); },
        [&] {
            task(peer);
            Unmount(peer);
        });
    result.ours = Best(
        runs, [&] { ColdMounts(image, vol), MountVolume(vol, ours); },
        [&] {
            task(ours);
            Unmount(ours);
        });
    return result;
}

void MakeImage(const fs::path& image, uint64_t mib, const fs::path& mnt,
               const std::function<void(const fs::path&)>& fill) {
    fs::remove(image);
    Shell("truncate -s " + std::to_string(mib) + "M " + Quote(image));
    Shell("mkntfs -F -f -q -c 4096 -L BENCH " + Quote(image) + " >/dev/null 2>&1");
    Mount3g(image, mnt, false);
    fill(mnt);
    Unmount(mnt);
}

void BenchSequential(const fs::path& work, uint64_t mib) {
    std::printf("== sequential read of a %llu MiB file ==\n", static_cast<unsigned long long>(mib));
    const fs::path image = work / "big.ntfs", vol = work / "big.vol";
    if (!fs::exists(vol))
        MakeImage(image, mib + 64, work / "fill", [&](const fs::path& mnt) {
            WritePattern(work / "pattern", mib << 20);
            Shell("cp " + Quote(work / "pattern") + " " + Quote(mnt / "big.bin"));
            fs::remove(work / "pattern");
        });
    if (!fs::exists(vol)) MakeVolume(image, vol);
    const Pair t = Measure(work, image, vol, 3, [](const fs::path& mnt) {
        Shell("dd if=" + Quote(mnt / "big.bin") + " of=/dev/null bs=1M status=none");
    });
    std::printf("ntfs-3g -o ro of the plain image: %8.3f s  %7.1f MiB/s\n", t.peer, mib / t.peer);
    std::printf("lcportable-cli mount:             %8.3f s  %7.1f MiB/s\n", t.ours, mib / t.ours);
    std::printf("ratio %.2f (target <= 1.25)\n", t.ours / t.peer);
    Remove(image, vol);
}

void BenchFind(const fs::path& work, unsigned entries) {
    std::printf("== find | wc -l over %u entries ==\n", entries);
    const fs::path image = work / "tree.ntfs", vol = work / "tree.vol";
    const unsigned perFolder = 1000;
    if (!fs::exists(vol))
        MakeImage(image, 128 + entries / 200, work / "fill", [&](const fs::path& mnt) {
            for (unsigned made = 0, d = 0; made < entries; ++d) {
                const unsigned n = std::min(perFolder - 1, entries - made - 1);
                const fs::path dir = mnt / ("folder " + std::to_string(d));
                fs::create_directories(dir);
                Shell("cd " + Quote(dir) + " && for i in $(seq 1 " + std::to_string(n) +
                      "); do : > \"entry number $i of folder.txt\"; done");
                made += n + 1;
            }
        });
    if (!fs::exists(vol)) MakeVolume(image, vol);
    const Pair t = Measure(work, image, vol, 3, [](const fs::path& mnt) {
        Shell("find " + Quote(mnt) + " | wc -l >/dev/null");
    });
    const double mount = Best(
        3, [&] { ColdMounts(image, vol); },
        [&] {
            MountVolume(vol, work / "ours");
            Unmount(work / "ours");
        });
    std::printf("ntfs-3g -o ro of the plain image: %8.3f s\n", t.peer);
    std::printf("lcportable-cli mount:             %8.3f s\n", t.ours);
    std::printf("ratio %.2f (target <= 1.0); mounting and unmounting (unlock, tree) %.3f s\n",
                t.ours / t.peer, mount);
    Remove(image, vol);
}

}  // namespace

int main(int argc, char** argv) {
    SetProgramName("bench_mount");
    fs::path work = fs::temp_directory_path() / "lc-bench-mount";
    uint64_t mib = 1024;
    unsigned entries = 100000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--work" && i + 1 < argc) {
            work = argv[++i];
        } else if (a == "--size-mib" && i + 1 < argc) {
            mib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--entries" && i + 1 < argc) {
            entries = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--keep") {
            g_keep = true;
        } else {
            std::fprintf(stderr,
                         "usage: bench_mount [--work DIR] [--size-mib N] [--entries N] [--keep]\n");
            return 2;
        }
    }
    if (::geteuid() != 0) {
        std::fprintf(stderr, "bench_mount: run as root (ntfs-3g mounts, dropped caches)\n");
        return 1;
    }
    fs::create_directories(work);
    if (mib > 0) BenchSequential(work, mib);
    if (entries > 0) BenchFind(work, entries);
    if (!g_keep) fs::remove_all(work);
    return 0;
}
