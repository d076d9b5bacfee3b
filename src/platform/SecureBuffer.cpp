#include "platform/SecureBuffer.h"

#include <cstring>

namespace lc {

void SecureZero(void* data, size_t size) noexcept {
    if (data != nullptr && size != 0) explicit_bzero(data, size);
}

}  // namespace lc
