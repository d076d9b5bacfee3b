// Where the window puts the plain copies of a volume's records: below the volume's temporary
// folder, in the folders the records have in the volume.
#pragma once

#include <string>
#include <string_view>

#include "fs/DirInfo.h"
#include "platform/Status.h"

namespace lc {

// The temporary folder of a record's folder, ending in '/': the volume's folder
// (GetVolumeTempFolder), then the folders from below the root down to the record's parent.
// create: made as needed, never through a link. 206 when the folders are nested too deeply or
// the path grows too long.
Status RecordTempFolder(std::u16string_view volumeName, const DirInfo& record, std::string& folder,
                        bool create);

}  // namespace lc
