// Keeps the window painted while long work (extraction, viewing, copying, wiping) runs on the
// user-interface thread. The work calls Tick as it goes; at most every 100 ms, or at once when
// forced (a new percent, a new file), the pending paint, expose and window-system events are
// handled. User input stays queued until the work is over, and a request to close the window
// that arrives meanwhile is carried out after it.
#pragma once

namespace lc {

class WorkPump {
public:
    static constexpr int kIntervalMs = 100;

    // Marks long work for its lifetime; nests.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    // Handles the pending events when due (or forced) and inside a Scope; else does nothing.
    static void Tick(bool force = false);
    static bool IsBusy();
};

}  // namespace lc
