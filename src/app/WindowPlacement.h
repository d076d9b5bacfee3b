// The main window's size, place, maximised state and folder-tree width, kept in the settings
// store from one run to the next.
#pragma once

#include <QRect>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace lc {

class CMainFrame;
class SettingsStore;

class WindowPlacement {
public:
    struct Record {
        QRect normal;  // the window's area when neither maximised nor minimised
        bool maximized = false;
        int treeWidth = 0;
    };

    static std::vector<uint8_t> Encode(const Record& record);
    // Null when the data is not a whole record or holds an impossible size.
    static std::optional<Record> Decode(std::span<const uint8_t> data);
    // Whether enough of the area lies on one of the screens to take hold of the window.
    static bool IsOnAScreen(const QRect& area);

    // Saved under value "WindowPlacement" of key.
    static Status Save(const CMainFrame& frame, SettingsStore& store, const std::string& key);
    // Puts the window where the saved record says, before it is shown. False, with the window
    // left as it is, when nothing usable is saved or the place is on no screen.
    static bool Restore(CMainFrame& frame, const SettingsStore& store, const std::string& key);
};

}  // namespace lc
