// A numbered string as Qt text, in the user's interface language.
#pragma once

#include <QString>
#include <cstdint>

#include "resources/StringTable.h"

namespace lc {

inline QString ResourceText(uint32_t id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace lc
