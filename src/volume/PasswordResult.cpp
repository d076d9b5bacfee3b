#include "volume/PasswordResult.h"

#include "volume/LCPwd.h"

namespace lc {

unsigned RecordPasswordResult(RetryDelayUi& ui, std::u16string_view volumeName, Status status) {
    LCPwd& records = LCPwd::Instance();
    records.SetApplicationName("LCPortable");
    records.SetVolatile();
    if (status == status::kSuccess) {
        records.ClearFailures(volumeName);
        return 0;
    }
    if (status != status::kInvalidPassword) return 0;
    unsigned seconds = records.RecordFailure(volumeName);
    if (seconds > 0) {
        ui.RunRetryDelay(seconds);
        records.MarkDelayOver(volumeName);
    }
    return seconds;
}

}  // namespace lc
