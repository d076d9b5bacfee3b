#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/CMainFrame.h"
#include "app/LCSplitter.h"
#include "platform/ByteReader.h"
#include "platform/SettingsStore.h"

namespace lc {

namespace {

constexpr std::u16string_view kValueName = u"WindowPlacement";
// left, top, width, height, flags, tree width: six 32-bit little-endian fields.
constexpr size_t kRecordSize = 24;
constexpr uint32_t kFlagMaximized = 1;
constexpr int kMaxExtent = 1 << 15;
// A window is reachable when this much of it (or all of a smaller one) is on a screen.
constexpr int kMinVisible = 48;

}  // namespace

std::vector<uint8_t> WindowPlacement::Encode(const Record& record) {
    std::vector<uint8_t> data(kRecordSize);
    const int32_t fields[] = {record.normal.x(),
                              record.normal.y(),
                              record.normal.width(),
                              record.normal.height(),
                              static_cast<int32_t>(record.maximized ? kFlagMaximized : 0),
                              record.treeWidth};
    for (size_t i = 0; i < 6; ++i) StoreLe<int32_t>(data.data() + 4 * i, fields[i]);
    return data;
}

std::optional<WindowPlacement::Record> WindowPlacement::Decode(std::span<const uint8_t> data) {
    if (data.size() != kRecordSize) return std::nullopt;
    ByteReader reader(data);
    int32_t fields[6] = {};
    for (int32_t& field : fields) {
        const auto value = reader.Read<int32_t>();
        if (!value) return std::nullopt;
        field = *value;
    }
    const auto inRange = [](int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; };
    if (!inRange(fields[0], -kMaxExtent, kMaxExtent) ||
        !inRange(fields[1], -kMaxExtent, kMaxExtent) || !inRange(fields[2], 1, kMaxExtent) ||
        !inRange(fields[3], 1, kMaxExtent) || !inRange(fields[5], 0, kMaxExtent)) {
        return std::nullopt;
    }
    Record record;
    record.normal = QRect(fields[0], fields[1], fields[2], fields[3]);
    record.maximized = (static_cast<uint32_t>(fields[4]) & kFlagMaximized) != 0;
    record.treeWidth = fields[5];
    return record;
}

bool WindowPlacement::IsOnAScreen(const QRect& area) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = area.intersected(screen->geometry());
        if (visible.width() >= std::min(kMinVisible, area.width()) &&
            visible.height() >= std::min(kMinVisible, area.height())) {
            return true;
        }
    }
    return false;
}

Status WindowPlacement::Save(const CMainFrame& frame, SettingsStore& store,
                             const std::string& key) {
    Record record;
    record.maximized = frame.isMaximized();
    record.normal = record.maximized ? frame.normalGeometry() : frame.geometry();
    if (record.normal.isEmpty()) record.normal = frame.geometry();
    const QList<int> sizes = frame.Splitter()->sizes();
    record.treeWidth = sizes.value(0);
    const std::vector<uint8_t> data = Encode(record);
    return store.SetValue(key, kValueName, kRegBinary, data);
}

bool WindowPlacement::Restore(CMainFrame& frame, const SettingsStore& store,
                              const std::string& key) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (store.GetValue(key, kValueName, type, data) != status::kSuccess || type != kRegBinary) {
        return false;
    }
    const std::optional<Record> record = Decode(data);
    if (!record || !IsOnAScreen(record->normal)) return false;
    frame.setGeometry(record->normal);
    const int total = std::max(frame.Splitter()->width(), record->normal.width());
    frame.Splitter()->setSizes({record->treeWidth, std::max(0, total - record->treeWidth)});
    if (record->maximized) frame.setWindowState(frame.windowState() | Qt::WindowMaximized);
    return true;
}

}  // namespace lc
