// The look before an extraction meets unsupported files in walk order, only where the walk goes.

#include <deque>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "extract/WalkOrder.h"
#include "platform/Text.h"

namespace lc {
namespace {

// A hand-linked tree: a folder's files and subfolders in the order they are added.
class Tree {
public:
    Tree() { m_records.emplace_back(); }
    DirInfo* Root() { return &m_records.front(); }
    DirInfo* Folder(DirInfo* parent, const char* name) {
        DirInfo* d = Add(parent, name, DirInfo::kDirectory);
        DirInfo** link = &parent->firstChild;
        while (*link != nullptr) link = &(*link)->nextSibling;
        *link = d;
        return d;
    }
    DirInfo* File(DirInfo* parent, const char* name, bool encrypted = false) {
        DirInfo* f = Add(parent, name, DirInfo::kFile);
        f->attributes = encrypted ? kAttrEncrypted : 0;
        DirInfo** link = &parent->firstFile;
        while (*link != nullptr) link = &(*link)->nextFile;
        *link = f;
        return f;
    }

private:
    DirInfo* Add(DirInfo* parent, const char* name, char16_t kind) {
        DirInfo& r = m_records.emplace_back();
        r.kind = kind;
        r.name = Utf8ToUtf16(name);
        r.parent = parent;
        return &r;
    }
    std::deque<DirInfo> m_records;
};

TEST(WalkOrderTest, FirstUnsupportedFileFollowsTheWalk) {
    // root: plain, locked; x/ (y/ (deep), late); z/ (inner)
    Tree t;
    DirInfo* plain = t.File(t.Root(), "plain");
    DirInfo* locked = t.File(t.Root(), "locked", true);
    DirInfo* x = t.Folder(t.Root(), "x");
    DirInfo* y = t.Folder(x, "y");
    DirInfo* deep = t.File(y, "deep", true);
    DirInfo* late = t.File(x, "late", true);  // added after y, still met before it
    DirInfo* z = t.Folder(t.Root(), "z");
    DirInfo* inner = t.File(z, "inner", true);

    // items, descend, expected
    const std::tuple<std::vector<const DirInfo*>, bool, const DirInfo*> cases[] = {
        {{plain}, true, nullptr},
        {{plain, locked}, false, locked},
        {{x}, false, nullptr},
        {{x}, true, late},
        {{y}, true, deep},
        {{z, x}, true, inner},
        {{plain, x, locked}, true, late},
        {{t.Root()}, true, locked},
    };
    for (const auto& [items, descend, expected] : cases)
        EXPECT_EQ(FirstUnsupportedFile(items, descend), expected) << items.size() << descend;
}

}  // namespace
}  // namespace lc
