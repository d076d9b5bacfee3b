#include "platform/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <random>

#include "platform/ByteReader.h"
#include "platform/ErrorCodes.h"
#include "platform/File.h"
#include "platform/FileNameCodec.h"
#include "platform/PrivateFolder.h"
#include "platform/Text.h"

namespace lc {

namespace {

// Value file: "LCSV", type (u32), name length in UTF-16 units (u32), name (UTF-16LE), data.
constexpr uint8_t kMagic[4] = {'L', 'C', 'S', 'V'};
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxNameUnits = 16383;
constexpr size_t kMaxDataSize = 1 << 20;
constexpr size_t kMaxFileSize = kHeaderSize + 2 * kMaxNameUnits + kMaxDataSize;
constexpr int kMaxKeyDepth = 64;
constexpr size_t kMaxValuesPerKey = 100000;

// A descriptor closed on scope exit.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// mkdir -p with mode 0700 for what is made; existing parents are taken as they are.
Status MakeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return LastErrorStatus();
    }
    return status::kSuccess;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); IsAbsolutePath(home)) return home;
    if (passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && IsAbsolutePath(pw->pw_dir))
        return pw->pw_dir;
    return std::string();
}

std::vector<std::string> KeyComponents(std::string_view key) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string_view::npos) end = key.size();
        if (end > start)
            parts.push_back(EncodeFileName(Utf8ToUtf16(key.substr(start, end - start))));
        start = end + 1;
    }
    return parts;
}

// Walks (and with create, makes) the key's folders; never through a link.
Status OpenKey(const std::string& root, std::string_view key, bool create, Fd& out) {
    Fd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) return LastErrorStatus();
    auto parts = KeyComponents(key);
    if (parts.size() > static_cast<size_t>(kMaxKeyDepth)) return status::kInvalidParameter;
    for (const auto& part : parts) {
        int next =
            ::openat(fd.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(fd.get(), part.c_str(), 0700) != 0 && errno != EEXIST)
                return LastErrorStatus();
            next =
                ::openat(fd.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) return errno == ENOENT ? status::kFileNotFound : LastErrorStatus();
        fd = Fd(next);
    }
    out = std::move(fd);
    return status::kSuccess;
}

std::vector<uint8_t> Serialise(std::u16string_view name, uint32_t type,
                               std::span<const uint8_t> data) {
    std::vector<uint8_t> bytes(kHeaderSize + 2 * name.size() + data.size());
    std::copy(std::begin(kMagic), std::end(kMagic), bytes.begin());
    StoreLe<uint32_t>(bytes.data() + 4, type);
    StoreLe<uint32_t>(bytes.data() + 8, static_cast<uint32_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i)
        StoreLe<uint16_t>(bytes.data() + kHeaderSize + 2 * i, name[i]);
    std::copy(data.begin(), data.end(),
              bytes.begin() + static_cast<ptrdiff_t>(kHeaderSize + 2 * name.size()));
    return bytes;
}

bool Parse(std::span<const uint8_t> bytes, SettingsValue& value) {
    ByteReader r(bytes);
    auto magic = r.Take(4);
    if (!magic || !std::equal(magic->begin(), magic->end(), std::begin(kMagic))) return false;
    auto type = r.Read<uint32_t>();
    auto units = r.Read<uint32_t>();
    if (!type || !units || *units > kMaxNameUnits) return false;
    std::u16string name;
    for (uint32_t i = 0; i < *units; ++i) {
        auto u = r.Read<uint16_t>();
        if (!u) return false;
        name.push_back(static_cast<char16_t>(*u));
    }
    auto rest = r.Take(r.remaining());
    value.name = std::move(name);
    value.type = *type;
    value.data.assign(rest->begin(), rest->end());
    return true;
}

// Reads one value file of the key folder; 2 when it is missing or not a plain file.
Status ReadValueFile(int keyFd, const std::string& fileName, SettingsValue& value) {
    int raw = ::openat(keyFd, fileName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (raw < 0) return errno == ENOENT ? status::kFileNotFound : LastErrorStatus();
    File file = File::FromDescriptor(raw, true);
    struct stat st {};
    if (::fstat(raw, &st) != 0) return LastErrorStatus();
    if (!S_ISREG(st.st_mode)) return status::kFileNotFound;
    if (static_cast<uint64_t>(st.st_size) > kMaxFileSize) return status::kFileCorrupt;
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    LC_TRY(file.ReadExact(bytes));
    if (!Parse(bytes, value)) return status::kFileCorrupt;
    return status::kSuccess;
}

std::string TempName() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    return ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(rd());
}

}  // namespace

Status SettingsStore::Open(Scope scope, SettingsStore& store) {
    std::string folder;
    if (scope == Scope::Volatile) {
        const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        if (IsAbsolutePath(runtimeDir)) {
            folder = WithoutTrailingSlash(runtimeDir) + "/Kelmora";
        } else {
            folder = "/tmp/Kelmora-" + std::to_string(::geteuid());
        }
        // Records of wrong passwords are nobody else's business.
        LC_TRY(MakePrivateFolder(folder, status::kAccessDenied));
    } else {
        const char* configHome = std::getenv("XDG_CONFIG_HOME");
        std::string base;
        if (IsAbsolutePath(configHome)) {
            base = WithoutTrailingSlash(configHome);
        } else {
            std::string home = HomeFolder();
            if (home.empty()) return status::kPathNotFound;
            base = WithoutTrailingSlash(home) + "/.config";
        }
        folder = (base == "/" ? std::string() : base) + "/Kelmora";
        LC_TRY(MakeFolders(folder));
        LC_TRY(CheckPrivateFolder(folder, status::kAccessDenied));
    }
    store = SettingsStore(folder);
    return status::kSuccess;
}

Status SettingsStore::SetValue(std::string_view key, std::u16string_view name, uint32_t type,
                               std::span<const uint8_t> data) {
    if (data.size() > kMaxDataSize || name.size() > kMaxNameUnits) return status::kInvalidParameter;
    Fd keyFd;
    LC_TRY(OpenKey(m_root, key, true, keyFd));
    const std::string fileName = EncodeFileName(name);
    const std::string tempName = TempName();
    int raw = ::openat(keyFd.get(), tempName.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (raw < 0) return LastErrorStatus();
    Status s;
    {
        File file = File::FromDescriptor(raw, true);
        s = file.WriteAll(Serialise(name, type, data));
        if (s == status::kSuccess) s = file.Sync();
    }
    // rename replaces the old value (or a link standing in its place) in one step.
    if (s == status::kSuccess &&
        ::renameat(keyFd.get(), tempName.c_str(), keyFd.get(), fileName.c_str()) != 0)
        s = LastErrorStatus();
    if (s != status::kSuccess) ::unlinkat(keyFd.get(), tempName.c_str(), 0);
    return s;
}

Status SettingsStore::GetValue(std::string_view key, std::u16string_view name, uint32_t& type,
                               std::vector<uint8_t>& data) const {
    Fd keyFd;
    LC_TRY(OpenKey(m_root, key, false, keyFd));
    SettingsValue value;
    LC_TRY(ReadValueFile(keyFd.get(), EncodeFileName(name), value));
    // Long names share a cut file name prefix; the stored name decides.
    if (value.name != name) return status::kFileNotFound;
    type = value.type;
    data = std::move(value.data);
    return status::kSuccess;
}

Status SettingsStore::DeleteValue(std::string_view key, std::u16string_view name) {
    Fd keyFd;
    LC_TRY(OpenKey(m_root, key, false, keyFd));
    if (::unlinkat(keyFd.get(), EncodeFileName(name).c_str(), 0) != 0)
        return errno == ENOENT ? status::kFileNotFound : LastErrorStatus();
    return status::kSuccess;
}

Status SettingsStore::EnumValues(std::string_view key, std::vector<SettingsValue>& values) const {
    values.clear();
    Fd keyFd;
    LC_TRY(OpenKey(m_root, key, false, keyFd));
    int listFd = ::dup(keyFd.get());
    if (listFd < 0) return LastErrorStatus();
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return LastErrorStatus();
    }
    std::vector<std::string> names;
    while (names.size() < kMaxValuesPerKey) {
        dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        // Encoded names never start with '.': that leaves ".", ".." and unfinished writes.
        if (entry->d_name[0] == '.') continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& fileName : names) {
        SettingsValue value;
        if (ReadValueFile(keyFd.get(), fileName, value) == status::kSuccess)
            values.push_back(std::move(value));
    }
    return status::kSuccess;
}

Status SettingsStore::SetString(std::string_view key, std::u16string_view name,
                                std::string_view text) {
    std::u16string units = Utf8ToUtf16(text);
    std::vector<uint8_t> data(2 * (units.size() + 1), 0);
    for (size_t i = 0; i < units.size(); ++i) StoreLe<uint16_t>(data.data() + 2 * i, units[i]);
    return SetValue(key, name, kRegSz, data);
}

Status SettingsStore::GetString(std::string_view key, std::u16string_view name,
                                std::string& text) const {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    LC_TRY(GetValue(key, name, type, data));
    if (type != kRegSz) return status::kInvalidParameter;
    ByteReader r(data);
    std::u16string units;
    while (auto u = r.Read<uint16_t>()) {
        if (*u == 0) break;
        units.push_back(static_cast<char16_t>(*u));
    }
    text = Utf16ToUtf8(units);
    return status::kSuccess;
}

}  // namespace lc
