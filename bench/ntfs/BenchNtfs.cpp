// NTFS benchmarks against peers on the same plain image, all measured in one run:
//   1. opening an AES-256 volume of 10,000 files and building its tree vs `fls -r` on the image;
//   2. extracting a 1 GiB file from the volume vs `ntfscat` on the image;
//   3. decoding an LZNT1-compressed file from the plain image vs `ntfscat` of it.
// Usage (as root: the images are filled through an ntfs-3g mount):
//   bench_ntfs [--work DIR] [--size-mib N] [--files N] [--compressed-mib N] [--keep]

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "extract/ExtractFile.h"
#include "fs/PlainImageVolume.h"
#include "platform/File.h"
#include "volume/CLCFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace lc::bench;

// An empty NTFS image with 4 KiB clusters, mounted at mnt until Unmount.
void MakeAndMount(const fs::path& image, uint64_t mib, const fs::path& mnt) {
    fs::remove(image);
    Shell("truncate -s " + std::to_string(mib) + "M " + Quote(image));
    Shell("mkntfs -F -f -q -c 4096 -L BENCH " + Quote(image) + " >/dev/null 2>&1");
    fs::create_directories(mnt);
    Shell("ntfs-3g -o big_writes " + Quote(image) + " " + Quote(mnt));
}

void Unmount(const fs::path& mnt) {
    Shell("umount " + Quote(mnt));
}

void BenchTree(const fs::path& work, unsigned files) {
    std::printf("== open a volume of %u files and build its tree ==\n", files);
    const fs::path image = work / "tree.ntfs", vol = work / "tree.vol", mnt = work / "mnt";
    const unsigned perFolder = 1000;
    MakeAndMount(image, 64 + files / 100, mnt);
    for (unsigned made = 0, d = 0; made < files; ++d) {
        const unsigned n = std::min(perFolder, files - made);
        const fs::path dir = mnt / ("folder " + std::to_string(d));
        fs::create_directories(dir);
        Shell("cd " + Quote(dir) + " && for i in $(seq 1 " + std::to_string(n) +
              "); do printf %s $i > \"entry number $i of folder.txt\"; done");
        made += n;
    }
    Unmount(mnt);
    MakeVolume(image, vol);

    const double tFls = Best(5, nullptr, [&] { Shell("fls -r " + Quote(image) + " >/dev/null"); });
    size_t records = 0;
    const double tOpen = Best(5, nullptr, [&] {
        lc::CLCFiles volume;
        if (!OpenVolume(volume, vol)) std::exit(1);
        records = volume.Tree().RecordCount();
    });
    const double tUnlock = Best(5, nullptr, [&] {
        lc::CLCFiles volume;
        if (volume.Unlock(vol, std::span<const char16_t>(kPassword)) != lc::status::kSuccess)
            std::exit(1);
    });
    const double tPlain = Best(5, nullptr, [&] {
        lc::PlainImageVolume volume;
        if (volume.OpenImageFile(image) != lc::status::kSuccess ||
            volume.Open() != lc::status::kSuccess)
            std::exit(1);
    });
    std::printf("fls -r on the plain image:          %8.3f s\n", tFls);
    std::printf(
        "CLCFiles::Open (unlock + tree):     %8.3f s  ratio %.2f to fls (target < 1 s and < fls)\n",
        tOpen, tOpen / tFls);
    std::printf("  of which unlock (key check):      %8.3f s; mount + pre-read + tree %.3f s\n",
                tUnlock, tOpen - tUnlock);
    std::printf("tree from the plain image:          %8.3f s\n", tPlain);
    std::printf("records in the tree:                %zu\n\n", records);
    fs::remove(image);
    fs::remove(vol);
}

void BenchExtract(const fs::path& work, uint64_t mib) {
    std::printf("== extract a %llu MiB file, AES-256 NTFS, 4 KiB clusters ==\n",
                static_cast<unsigned long long>(mib));
    const fs::path src = work / "big.bin", image = work / "big.ntfs", vol = work / "big.vol";
    const fs::path mnt = work / "mnt";
    WritePattern(src, mib << 20);
    MakeAndMount(image, mib + mib / 16 + 64, mnt);
    Shell("cp " + Quote(src) + " " + Quote(mnt / "big.bin"));
    Unmount(mnt);
    Shell("ntfsinfo -F /big.bin -v " + Quote(image) +
          " | grep -E 'Total runs' | sed 's/^/big.bin: /'");
    MakeVolume(image, vol);
    fs::create_directories(work / "out-lc");
    fs::create_directories(work / "out-cli");
    const fs::path outLc = work / "out-lc" / "big.bin", outCat = work / "cat.bin";

    const double tCat = Best(
        3, [&] { fs::remove(outCat); },
        [&] { Shell("ntfscat " + Quote(image) + " /big.bin > " + Quote(outCat)); });

    lc::CLCFiles volume;
    if (!OpenVolume(volume, vol)) std::exit(1);
    const lc::DirInfo* file = FindFile(*volume.Root(), u"big.bin");
    if (file == nullptr) std::exit(1);
    lc::Status result = lc::status::kSuccess;
    const double tLc =
        Best(3, nullptr, [&] { result = lc::ExtractFile(volume, *file, outLc.string()); });
    const double tCli = Best(3, nullptr, [&] {
        Shell("LCPORTABLE_PASSWORD=" + Quote("bench password") + " " + LC_CLI + " extract " +
              Quote(vol) + " big.bin --overwrite -C " + Quote(work / "out-cli"));
    });
    const bool same = result == lc::status::kSuccess &&
                      std::system(("cmp -s " + Quote(outLc) + " " + Quote(src) + " && cmp -s " +
                                   Quote(outCat) + " " + Quote(src) + " && cmp -s " +
                                   Quote(work / "out-cli" / "big.bin") + " " + Quote(src))
                                      .c_str()) == 0;
    std::printf("ntfscat from the plain image:       %8.3f s  (%.0f MiB/s)\n", tCat, mib / tCat);
    std::printf(
        "ExtractFile from the volume:        %8.3f s  (%.0f MiB/s)  ratio %.2f (target <= 1.0)\n",
        tLc, mib / tLc, tLc / tCat);
    std::printf("lcportable-cli extract (whole run): %8.3f s  ratio %.2f\n", tCli, tCli / tCat);
    std::printf("outputs identical to the source:    %s\n\n", same ? "yes" : "NO");
    fs::remove(src);
    fs::remove(image);
    fs::remove(vol);
    fs::remove(outCat);
    fs::remove_all(work / "out-lc");
    fs::remove_all(work / "out-cli");
}

void BenchCompressed(const fs::path& work, uint64_t mib) {
    std::printf("== copy a %llu MiB LZNT1-compressed file out of the plain image ==\n",
                static_cast<unsigned long long>(mib));
    const fs::path src = work / "text.txt", image = work / "packed.ntfs", mnt = work / "mnt";
    // Text that compresses about as well as ordinary documents (roughly 4:1).
    Shell("{ seq -f 'line %012g of a compressible text file, with some words' 1 " +
          std::to_string(mib << 14) + " || true; } | head -c " + std::to_string(mib << 20) + " > " +
          Quote(src));
    fs::remove(image);
    Shell("truncate -s " + std::to_string(mib + 64) + "M " + Quote(image));
    Shell("mkntfs -F -f -q -c 4096 -L PACKED " + Quote(image) + " >/dev/null 2>&1");
    fs::create_directories(mnt);
    Shell("ntfs-3g -o compression,big_writes " + Quote(image) + " " + Quote(mnt));
    Shell("mkdir " + Quote(mnt / "packed") +
          " && setfattr -n system.ntfs_attrib_be -v 0x00000800 " + Quote(mnt / "packed") +
          " && cp " + Quote(src) + " " + Quote(mnt / "packed"));
    Unmount(mnt);
    Shell("du -h --apparent-size " + Quote(image) + " >/dev/null; ntfsinfo -F /packed/text.txt " +
          Quote(image) + " | grep -m1 -E 'Compressed size' | sed 's/^/text.txt: /'");

    const fs::path outCat = work / "cat.txt", outLc = work / "lc.txt";
    const double tCat = Best(
        3, [&] { fs::remove(outCat); },
        [&] { Shell("ntfscat " + Quote(image) + " /packed/text.txt > " + Quote(outCat)); });
    lc::PlainImageVolume volume;
    if (volume.OpenImageFile(image) != lc::status::kSuccess ||
        volume.Open() != lc::status::kSuccess)
        std::exit(1);
    const lc::DirInfo* dir = volume.Root()->firstChild;
    while (dir != nullptr && dir->name != u"packed") dir = dir->nextSibling;
    const lc::DirInfo* file = dir != nullptr ? dir->firstFile : nullptr;
    if (file == nullptr) std::exit(1);
    lc::Status result = lc::status::kSuccess;
    const double tLc = Best(3, nullptr, [&] {
        lc::File out;
        result = out.CreateReplace(outLc.string());
        if (result == lc::status::kSuccess)
            result = volume.FileSystem()->CopyFileData(file->firstCluster, out, file->size);
    });
    const bool same = result == lc::status::kSuccess &&
                      std::system(("cmp -s " + Quote(outLc) + " " + Quote(src) + " && cmp -s " +
                                   Quote(outCat) + " " + Quote(src))
                                      .c_str()) == 0;
    std::printf("ntfscat from the plain image:       %8.3f s  (%.0f MiB/s)\n", tCat, mib / tCat);
    std::printf(
        "CopyFileData, LZNT1 decoded:        %8.3f s  (%.0f MiB/s)  ratio %.2f to ntfscat "
        "(target >= 300 MB/s)\n",
        tLc, mib / tLc, tLc / tCat);
    std::printf("outputs identical to the source:    %s\n\n", same ? "yes" : "NO");
    fs::remove(src);
    fs::remove(image);
    fs::remove(outCat);
    fs::remove(outLc);
}

}  // namespace

int main(int argc, char** argv) {
    lc::bench::SetProgramName("bench_ntfs");
    fs::path work;
    uint64_t mib = 1024;
    unsigned files = 10000;
    uint64_t compressedMib = 256;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--work" && i + 1 < argc) {
            work = argv[++i];
        } else if (a == "--size-mib" && i + 1 < argc) {
            mib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--files" && i + 1 < argc) {
            files = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--compressed-mib" && i + 1 < argc) {
            compressedMib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--keep") {
            keep = true;
        } else {
            std::fprintf(stderr,
                         "usage: bench_ntfs [--work DIR] [--size-mib N] [--files N] "
                         "[--compressed-mib N] [--keep]\n");
            return 2;
        }
    }
    if (geteuid() != 0) {
        std::fprintf(stderr, "bench_ntfs: needs root to mount the images with ntfs-3g\n");
        return 2;
    }
    if (work.empty()) work = fs::temp_directory_path() / ("bench_ntfs-" + std::to_string(getpid()));
    fs::create_directories(work);
    if (files > 0) BenchTree(work, files);
    if (mib > 0) BenchExtract(work, mib);
    if (compressedMib > 0) BenchCompressed(work, compressedMib);
    if (!keep) fs::remove_all(work);
    return 0;
}
