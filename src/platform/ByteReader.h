// Bounds-checked little-endian access to on-disk records. A read past the end is an empty
// optional, never undefined behaviour: every byte of a volume is treated as hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>

namespace lc {

template <class T>
requires std::is_integral_v<T>
constexpr T LoadLe(const uint8_t* p) {
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
    return static_cast<T>(v);
}

template <class T>
requires std::is_integral_v<T>
constexpr void StoreLe(uint8_t* p, T value) {
    using U = std::make_unsigned_t<T>;
    U v = static_cast<U>(value);
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> data) : m_data(data) {}

    size_t size() const { return m_data.size(); }
    size_t position() const { return m_pos; }
    size_t remaining() const { return m_data.size() - m_pos; }
    std::span<const uint8_t> data() const { return m_data; }

    // Random access at a fixed offset.
    template <class T>
    requires std::is_integral_v<T> std::optional<T> At(size_t offset)
    const {
        if (offset > m_data.size() || m_data.size() - offset < sizeof(T)) return std::nullopt;
        return LoadLe<T>(m_data.data() + offset);
    }
    std::optional<std::span<const uint8_t>> Slice(size_t offset, size_t length) const {
        if (offset > m_data.size() || m_data.size() - offset < length) return std::nullopt;
        return m_data.subspan(offset, length);
    }
    // A reader over [offset, offset + length).
    std::optional<ByteReader> Sub(size_t offset, size_t length) const {
        auto s = Slice(offset, length);
        if (!s) return std::nullopt;
        return ByteReader(*s);
    }

    // Sequential access from the current position.
    template <class T>
    requires std::is_integral_v<T> std::optional<T> Read() {
        auto v = At<T>(m_pos);
        if (v) m_pos += sizeof(T);
        return v;
    }
    std::optional<std::span<const uint8_t>> Take(size_t count) {
        auto s = Slice(m_pos, count);
        if (s) m_pos += count;
        return s;
    }
    bool Skip(size_t count) {
        if (remaining() < count) return false;
        m_pos += count;
        return true;
    }
    bool Seek(size_t offset) {
        if (offset > m_data.size()) return false;
        m_pos = offset;
        return true;
    }

private:
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
};

// Reads the fields of one record at fixed offsets. A field past the end reads as 0 and fails the
// whole record, so a parser reads every field and then checks ok() once.
class FieldReader {
public:
    explicit FieldReader(std::span<const uint8_t> data) : m_reader(data) {}

    template <class T>
    requires std::is_integral_v<T> T At(size_t offset) {
        auto value = m_reader.At<T>(offset);
        if (!value) {
            m_ok = false;
            return T{};
        }
        return *value;
    }
    bool ok() const { return m_ok; }

private:
    ByteReader m_reader;
    bool m_ok = true;
};

}  // namespace lc
