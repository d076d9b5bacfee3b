// Memory for secrets (passwords, derived keys, volume keys, key schedules): wiped when released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace lc {

// Overwrites memory with zeros in a way the compiler may not drop.
void SecureZero(void* data, size_t size) noexcept;

template <class T>
class SecureVector {
public:
    SecureVector() = default;
    explicit SecureVector(size_t count) : m_data(count) {}
    SecureVector(const T* data, size_t count) : m_data(data, data + count) {}
    explicit SecureVector(std::span<const T> data) : m_data(data.begin(), data.end()) {}
    SecureVector(const SecureVector& other) : m_data(other.m_data) {}
    SecureVector(SecureVector&& other) noexcept : m_data(std::move(other.m_data)) {}
    SecureVector& operator=(const SecureVector& other) {
        if (this != &other) {
            clear();
            m_data = other.m_data;
        }
        return *this;
    }
    SecureVector& operator=(SecureVector&& other) noexcept {
        if (this != &other) {
            clear();
            m_data = std::move(other.m_data);
        }
        return *this;
    }
    ~SecureVector() { clear(); }

    void clear() noexcept {
        SecureZero(m_data.data(), m_data.capacity() * sizeof(T));
        m_data.clear();
    }
    // Grows without leaving a copy of the old contents behind.
    void resize(size_t count) {
        if (count <= m_data.capacity()) {
            m_data.resize(count);
            return;
        }
        std::vector<T> bigger;
        bigger.reserve(count);
        bigger.assign(m_data.begin(), m_data.end());
        bigger.resize(count);
        clear();
        m_data.swap(bigger);
    }
    void push_back(const T& value) {
        if (m_data.size() == m_data.capacity()) {
            size_t n = m_data.size();
            resize(n < 16 ? 16 : n * 2);
            m_data.resize(n);
        }
        m_data.push_back(value);
    }

    T* data() { return m_data.data(); }
    const T* data() const { return m_data.data(); }
    size_t size() const { return m_data.size(); }
    bool empty() const { return m_data.empty(); }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }
    std::span<T> span() { return m_data; }
    std::span<const T> span() const { return m_data; }
    auto begin() { return m_data.begin(); }
    auto end() { return m_data.end(); }
    auto begin() const { return m_data.begin(); }
    auto end() const { return m_data.end(); }

private:
    std::vector<T> m_data;
};

using SecureBytes = SecureVector<uint8_t>;
// A password as UTF-16 code units, without a terminating zero.
using Password = SecureVector<char16_t>;

}  // namespace lc
