#include "extract/ExtractFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "fs/DosTime.h"
#include "platform/File.h"

namespace lc {

namespace {

// A read-only copy (left by a view) must not stop the replace.
void ClearWriteProtection(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }
}

uint64_t PageSize() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<uint64_t>(page) : 4096;
}

Status CopyRecordData(FileSystemBase& fs, const DirInfo& file, File& out) {
    const uint64_t page = PageSize();
    const bool small = file.size < page;
    if (file.firstCluster > 1) {
        if (small) {
            // The first page is allocated before the data goes in; the truncate below cuts it.
            const std::vector<uint8_t> zeros(page, 0);
            LC_TRY(out.WriteAll(zeros));
            LC_TRY(out.Seek(0, SEEK_SET));
        }
        LC_TRY(fs.CopyFileData(file.firstCluster, out, file.size));
    }
    if (small) {
        uint64_t end = 0;
        LC_TRY(out.Seek(0, SEEK_CUR, &end));
        LC_TRY(out.Truncate(end));
    }
    // A chain that ended early, or a size without any data cluster, must not pass as a copy.
    uint64_t written = 0;
    LC_TRY(out.Size(written));
    if (written != file.size) return status::kFileCorrupt;
    return status::kSuccess;
}

}  // namespace

Status ExtractFile(LCVolume& volume, const DirInfo& file, const std::string& outputPath) {
    if (!file.IsFile()) return status::kInvalidParameter;
    if (IsUnsupportedData(file)) return status::kNotSupported;
    FileSystemBase* fs = volume.FileSystem();
    if (fs == nullptr) return status::kInvalidHandle;

    ClearWriteProtection(outputPath);
    File out;
    LC_TRY(out.CreateReplace(outputPath));
    const Status result = CopyRecordData(*fs, file, out);
    if (result == status::kSuccess) {
        // An invalid date leaves the time as created; a failure to set it is not an error.
        if (auto when = DosTime::FromPacked(file.modified).ToUnixTime()) {
            (void)out.SetModifiedTime(timespec{*when, 0});
        }
    }
    out.Close();
    if (result != status::kSuccess) ::unlink(outputPath.c_str());
    return result;
}

}  // namespace lc
