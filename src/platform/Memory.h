// Allocation that reports failure as a result instead of an exception, for buffers whose size
// comes from an image.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

namespace lc {

template <class T>
bool TryResize(std::vector<T>& buffer, size_t size) {
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace lc
