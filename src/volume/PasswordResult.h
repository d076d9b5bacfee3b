// What follows each password attempt: a right password clears the volume's wrong-password
// record, a wrong one records it and waits out the growing delay through the front end.
#pragma once

#include <string_view>

#include "platform/Status.h"

namespace lc {

// The countdown, run by the GUI (a modal progress dialog) or the CLI (text on stderr). It
// returns when the delay has run out; it cannot be cut short.
class RetryDelayUi {
public:
    virtual ~RetryDelayUi() = default;
    virtual void RunRetryDelay(unsigned seconds) = 0;
};

// status 0: clear the record; 86: record the failure, run the delay, mark it over; other
// codes: nothing. Returns the delay that was run in seconds (0 when none).
unsigned RecordPasswordResult(RetryDelayUi& ui, std::u16string_view volumeName, Status status);

}  // namespace lc
