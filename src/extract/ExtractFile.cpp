#include "extract/ExtractFile.h"

#include <stdio.h>

#include "fs/DosTime.h"

namespace lc {

Status CopyRecordData(LCVolume& volume, const DirInfo& file, OutputFile& out) {
    if (!file.IsFile()) return status::kInvalidParameter;
    if (IsUnsupportedData(file)) return status::kNotSupported;
    if (file.firstCluster <= 1) {
        // No data cluster: only an empty file is whole.
        return file.size == 0 ? status::kSuccess : status::kFileCorrupt;
    }
    FileSystemBase* fs = volume.FileSystem();
    if (fs == nullptr) return status::kInvalidHandle;
    LC_TRY(fs->CopyFileData(file.firstCluster, out.file(), file.size));
    // Readers may pass over holes by moving the position and set the length of a file that ends
    // in one; so the position reached, else the length set, must come to the size.
    uint64_t reached = 0;
    LC_TRY(out.file().Seek(0, SEEK_CUR, &reached));
    if (reached == file.size) return status::kSuccess;
    uint64_t length = 0;
    LC_TRY(out.file().Size(length));
    return reached < file.size && length == file.size ? status::kSuccess : status::kFileCorrupt;
}

std::optional<time_t> RecordTime(const DirInfo& file) {
    return DosTime::FromPacked(file.modified).ToUnixTime();
}

Status ExtractFileAt(LCVolume& volume, const DirInfo& file, const OutputFolder& folder,
                     const std::string& name, bool replace) {
    if (!file.IsFile()) return status::kInvalidParameter;
    if (IsUnsupportedData(file)) return status::kNotSupported;
    OutputFile out;
    LC_TRY(out.Create(folder));
    LC_TRY(CopyRecordData(volume, file, out));
    return out.Finish(name, RecordTime(file), replace);
}

Status ExtractFile(LCVolume& volume, const DirInfo& file, const std::string& outputPath) {
    if (!file.IsFile()) return status::kInvalidParameter;
    if (IsUnsupportedData(file)) return status::kNotSupported;
    const size_t slash = outputPath.rfind('/');
    const std::string folderPath =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : outputPath.substr(0, slash));
    const std::string name = slash == std::string::npos ? outputPath : outputPath.substr(slash + 1);
    if (name.empty()) return status::kInvalidParameter;
    OutputFolder folder;
    LC_TRY(OutputFolder::OpenTarget(folderPath, false, folder));
    return ExtractFileAt(volume, file, folder, name, true);
}

}  // namespace lc
