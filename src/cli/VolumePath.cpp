#include "cli/VolumePath.h"

#include <algorithm>

#include "platform/Text.h"

namespace lc::cli {

namespace {

struct FoldPair {
    char32_t from;
    char32_t to;
};
constexpr FoldPair kFolds[] = {
#include "cli/CaseFold.inc"
};

// Pattern matching backtracks only to the last '*', so its work is bounded by
// pattern length × name length; names and parts are at most a few hundred units.
constexpr size_t kMaxPartLength = 4096;

std::u32string Folded(std::u32string text) {
    for (char32_t& c : text) c = FoldCase(c);
    return text;
}

std::u32string Utf8ToCodePoints(std::string_view text) {
    const std::u16string units = Utf8ToUtf16(text);
    return Utf16ToCodePoints(units);
}

bool IsPattern(std::string_view part) {
    return part.find_first_of("*?[") != std::string_view::npos;
}

// One class at pattern[i] == '['; sets `matched` and returns the index after it, or npos when
// the class is not closed (then '[' is an ordinary character).
size_t MatchClass(std::u32string_view pattern, size_t i, char32_t c, bool& matched) {
    size_t k = i + 1;
    bool negate = false;
    if (k < pattern.size() && (pattern[k] == U'!' || pattern[k] == U'^')) {
        negate = true;
        ++k;
    }
    matched = false;
    bool first = true;
    for (; k < pattern.size(); ++k) {
        if (pattern[k] == U']' && !first) {
            matched = matched != negate;
            return k + 1;
        }
        first = false;
        char32_t low = pattern[k], high = low;
        if (k + 2 < pattern.size() && pattern[k + 1] == U'-' && pattern[k + 2] != U']') {
            high = pattern[k + 2];
            k += 2;
        }
        if (c >= low && c <= high) matched = true;
    }
    return std::u32string_view::npos;
}

}  // namespace

char32_t FoldCase(char32_t c) {
    if (c < 0x41) return c;
    const auto* end = std::end(kFolds);
    const auto* it = std::lower_bound(std::begin(kFolds), end, c,
                                      [](const FoldPair& p, char32_t v) { return p.from < v; });
    return it != end && it->from == c ? it->to : c;
}

bool MatchesPattern(std::u32string_view pattern, std::u32string_view name) {
    size_t p = 0, n = 0;
    size_t starP = std::u32string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            bool matched = false;
            size_t next = p + 1;
            if (pattern[p] == U'?') {
                matched = true;
            } else if (pattern[p] == U'[') {
                next = MatchClass(pattern, p, name[n], matched);
                if (next == std::u32string_view::npos) {
                    matched = name[n] == U'[';
                    next = p + 1;
                }
            } else {
                matched = pattern[p] == name[n];
            }
            if (matched) {
                p = next;
                ++n;
                continue;
            }
        }
        if (starP == std::u32string_view::npos) return false;
        p = starP + 1;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

std::vector<const DirInfo*> FilesInStoredOrder(const DirInfo& folder) {
    std::vector<const DirInfo*> files;
    for (const DirInfo* f = folder.firstFile; f != nullptr; f = f->nextFile) files.push_back(f);
    std::reverse(files.begin(), files.end());
    return files;
}

std::vector<const DirInfo*> ResolveVolumePaths(const DirInfo& root, std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const DirInfo*> current = {&root};
    for (size_t i = 0; i < parts.size() && !current.empty(); ++i) {
        if (parts[i].size() > kMaxPartLength) return {};
        const bool last = i + 1 == parts.size();
        const std::u32string wanted = Folded(Utf8ToCodePoints(parts[i]));
        const bool pattern = IsPattern(parts[i]);
        std::vector<const DirInfo*> next;
        for (const DirInfo* folder : current) {
            if (!folder->IsDirectory()) continue;
            std::vector<const DirInfo*> candidates;
            for (const DirInfo* d = folder->firstChild; d != nullptr; d = d->nextSibling)
                candidates.push_back(d);
            if (last) {
                const auto files = FilesInStoredOrder(*folder);
                candidates.insert(candidates.end(), files.begin(), files.end());
            }
            const DirInfo* exact = nullptr;
            const DirInfo* folded = nullptr;
            const size_t before = next.size();
            for (const DirInfo* c : candidates) {
                const std::u32string name = Folded(Utf16ToCodePoints(c->name));
                if (pattern) {
                    if (MatchesPattern(wanted, name)) next.push_back(c);
                } else if (name == wanted) {
                    if (exact == nullptr && Utf16ToUtf8(c->name) == parts[i]) exact = c;
                    if (folded == nullptr) folded = c;
                }
            }
            // A pattern that matches nothing may be a name that holds '[' or '*' itself.
            if (pattern && next.size() == before) {
                for (const DirInfo* c : candidates) {
                    if (Folded(Utf16ToCodePoints(c->name)) == wanted) {
                        next.push_back(c);
                        break;
                    }
                }
            }
            if (!pattern && (exact != nullptr || folded != nullptr))
                next.push_back(exact != nullptr ? exact : folded);
        }
        current = std::move(next);
    }
    return current;
}

const DirInfo* ResolveVolumePath(const DirInfo& root, std::string_view path) {
    const auto found = ResolveVolumePaths(root, path);
    return found.empty() ? nullptr : found.front();
}

std::string VolumePathOf(const DirInfo& record) {
    std::vector<const DirInfo*> chain;
    // The tree's depth is bounded by its reader; the parent links end at the root.
    for (const DirInfo* r = &record; r != nullptr && r->parent != nullptr; r = r->parent) {
        chain.push_back(r);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += Utf16ToUtf8((*it)->name);
    }
    return path;
}

}  // namespace lc::cli
