// Allocation that reports failure as a status instead of an exception, for buffers whose size
// comes from an image or a file (the policy is stated in platform/Status.h).
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/Status.h"

namespace lc {

// Runs allocate(), which allocates; status::kNotEnoughMemory when the memory cannot be had.
template <class F>
Status CheckedAllocation(F&& allocate) {
    try {
        allocate();
        return status::kSuccess;
    } catch (const std::bad_alloc&) {
        return status::kNotEnoughMemory;
    } catch (const std::length_error&) {
        return status::kNotEnoughMemory;
    }
}

// Resizes buffer to size elements; status::kNotEnoughMemory when that cannot be allocated.
template <class T>
Status CheckedResize(std::vector<T>& buffer, size_t size) {
    return CheckedAllocation([&] { buffer.resize(size); });
}

}  // namespace lc
