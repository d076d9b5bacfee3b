// The command-line wait after a wrong password: one line, then (on a terminal) the seconds counting
// down on stderr. It cannot be cut short (short of ending the program).
#pragma once

#include "volume/PasswordResult.h"

namespace lc::cli {

class StderrRetryDelay final : public RetryDelayUi {
public:
    void RunRetryDelay(unsigned seconds) override;
};

}  // namespace lc::cli
