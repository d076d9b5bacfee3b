#include "volume/LCPwd.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/SettingsStore.h"

namespace lc {

namespace {

constexpr char16_t kTag[4] = {u'L', u'R', u'U', u'0'};
constexpr size_t kTimeOffset = 8;
constexpr size_t kCountOffset = 16;
constexpr size_t kPendingOffset = 20;
constexpr uint32_t kOptionVolatile = 1;

int64_t SystemNow() {
    return static_cast<int64_t>(std::time(nullptr));
}
int64_t (*g_now)() = SystemNow;

bool HasTag(std::span<const uint8_t> data) {
    ByteReader r(data);
    for (size_t i = 0; i < 4; ++i) {
        auto u = r.At<uint16_t>(2 * i);
        if (!u || *u != kTag[i]) return false;
    }
    return true;
}

void SetTag(LCPwd::Record& record) {
    for (size_t i = 0; i < 4; ++i) StoreLe<uint16_t>(record.data() + 2 * i, kTag[i]);
}

bool OpenStore(uint32_t options, SettingsStore& store) {
    auto scope = (options & kOptionVolatile) != 0 ? SettingsStore::Scope::Volatile
                                                  : SettingsStore::Scope::Persistent;
    return SettingsStore::Open(scope, store) == status::kSuccess;
}

}  // namespace

LCPwd::Record LCPwd::Encode(const Attempt& attempt) {
    Record record{};
    SetTag(record);
    StoreLe<int64_t>(record.data() + kTimeOffset, attempt.time);
    StoreLe<uint32_t>(record.data() + kCountOffset, attempt.count);
    StoreLe<uint32_t>(record.data() + kPendingOffset, attempt.pending);
    return record;
}

std::optional<LCPwd::Attempt> LCPwd::Decode(std::span<const uint8_t> data) {
    if (data.size() != kRecordSize || !HasTag(data)) return std::nullopt;
    FieldReader fields(data);
    Attempt a;
    a.time = fields.At<int64_t>(kTimeOffset);
    a.count = fields.At<uint32_t>(kCountOffset);
    a.pending = fields.At<uint32_t>(kPendingOffset);
    if (!fields.ok()) return std::nullopt;
    return a;
}

unsigned LCPwd::DelayForCount(uint32_t count) {
    if (count <= 1) return 2;
    if (count == 2) return 5;
    if (count == 3) return 10;
    return 20;
}

std::u16string LCPwd::ValueName(std::u16string_view volumeName) {
    return std::u16string(volumeName.substr(0, kMaxNameUnits));
}

LCPwd& LCPwd::Instance() {
    static LCPwd instance;
    return instance;
}

void LCPwd::SetApplicationName(std::string_view name) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) inside `"\\" + std::string` at -O3.
    m_subKey.assign(1, '\\');
    m_subKey.append(name);
}

void LCPwd::SetVolatile() {
    m_options |= kOptionVolatile;
}

std::string LCPwd::KeyPath() const {
    return "Software\\Kelmora" + m_subKey;
}

unsigned LCPwd::RecordFailure(std::u16string_view volumeName) {
    Record record{};
    if (ReadRecord(volumeName, record)) {
        // The stored value is taken as it is (its type and tag are not checked).
        uint32_t count = LoadLe<uint32_t>(record.data() + kCountOffset);
        StoreLe<uint32_t>(record.data() + kCountOffset, count + 1);
    } else {
        SetTag(record);
        StoreLe<uint32_t>(record.data() + kCountOffset, 1);

        // The volume's first failure: make room when ten volumes already have records.
        SettingsStore store;
        std::vector<SettingsValue> values;
        if (OpenStore(m_options, store) &&
            store.EnumValues(KeyPath(), values) == status::kSuccess) {
            size_t tagged = 0;
            int64_t oldestTime = 0;
            std::u16string oldestName;
            for (const auto& v : values) {
                if (v.type != kRegBinary || v.data.size() != kRecordSize || !HasTag(v.data))
                    continue;
                ++tagged;
                int64_t time = LoadLe<int64_t>(v.data.data() + kTimeOffset);
                // Wrapping difference: hostile times must not overflow.
                auto diff = static_cast<int64_t>(static_cast<uint64_t>(oldestTime) -
                                                 static_cast<uint64_t>(time));
                if (oldestTime == 0 || diff > 0) {
                    oldestTime = time;
                    oldestName = ValueName(v.name);
                }
            }
            if (tagged >= kMaxRecords) DeleteRecord(oldestName);
        }
    }
    StoreLe<uint32_t>(record.data() + kPendingOffset, 1);
    StoreLe<int64_t>(record.data() + kTimeOffset, g_now());
    (void)WriteRecord(volumeName, record);
    return DelayForCount(LoadLe<uint32_t>(record.data() + kCountOffset));
}

bool LCPwd::ClearFailures(std::u16string_view volumeName) {
    return DeleteRecord(volumeName);
}

bool LCPwd::MarkDelayOver(std::u16string_view volumeName) {
    Record record{};
    if (!ReadRecord(volumeName, record)) return false;
    StoreLe<uint32_t>(record.data() + kPendingOffset, 0);
    return WriteRecord(volumeName, record);
}

bool LCPwd::ReadRecord(std::u16string_view valueName, Record& record) const {
    SettingsStore store;
    if (!OpenStore(m_options, store)) return false;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (store.GetValue(KeyPath(), ValueName(valueName), type, data) != status::kSuccess)
        return false;
    if (data.size() != kRecordSize) return false;
    std::copy(data.begin(), data.end(), record.begin());
    return true;
}

bool LCPwd::WriteRecord(std::u16string_view valueName, const Record& record) const {
    SettingsStore store;
    if (!OpenStore(m_options, store)) return false;
    return store.SetValue(KeyPath(), ValueName(valueName), kRegBinary, record) == status::kSuccess;
}

bool LCPwd::DeleteRecord(std::u16string_view valueName) const {
    SettingsStore store;
    if (!OpenStore(m_options, store)) return false;
    return store.DeleteValue(KeyPath(), ValueName(valueName)) == status::kSuccess;
}

void LCPwd::SetClockForTest(int64_t (*now)()) {
    g_now = now != nullptr ? now : SystemNow;
}

}  // namespace lc
