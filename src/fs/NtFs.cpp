#include "fs/NtFs.h"

namespace lc {

Status NtFs::ReadDirectoryTree() {
    return status::kNotSupported;
}

Status NtFs::CopyFileData(uint64_t, File&, uint64_t) {
    return status::kNotSupported;
}

Status NtFs::ParseBootSector(std::span<const uint8_t>) {
    return status::kSuccess;
}

}  // namespace lc
