// NTFS reader.
#pragma once

#include "fs/FileSystemBase.h"

namespace lc {

class NtFs : public FileSystemBase {
public:
    explicit NtFs(Volume* volume) : FileSystemBase(volume) {}

    const char* RuntimeClassName() const override { return "NtFs"; }

    Status ReadDirectoryTree() override;
    Status CopyFileData(uint64_t first, File& output, uint64_t size) override;
    Status ParseBootSector(std::span<const uint8_t> bootSector) override;
};

}  // namespace lc
