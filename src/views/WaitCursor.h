// The wait cursor for the lifetime of the object. It steps aside while a dialog or message box
// is up (the user is asked something, not kept waiting) and comes back when it closes.
#pragma once

namespace lc {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // Whether the wait cursor is on the screen now.
    static bool IsShown();
};

}  // namespace lc
