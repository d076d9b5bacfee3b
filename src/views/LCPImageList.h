// Per-file-type pictures for the file list. The desktop's icon of each file extension is looked
// up once through the MIME database and the icon theme, appended to the small and the large image
// list at the same index, and remembered for that extension.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace lc {

class ImageList;

class LCPImageList {
public:
    // Both lists hold the same number of pictures; none of those belong to an extension. Adds the
    // desktop's generic application picture for ".exe". A null small list: no lookups at all.
    void Initialize(ImageList* small, ImageList* large);
    // The picture index for a file name; 0 when its type has no picture of its own.
    int IconFor(const QString& name);
    int IconFor(const std::u16string& name);

    // From the last '.' to the end, the dot included; empty without a dot.
    static QString ExtensionOf(const QString& name);
    // Without a configured desktop (the offscreen platform, a bare X session) Qt knows no icon
    // theme; then the installed freedesktop themes are searched, Adwaita first.
    static void EnsureIconTheme();

    // Entry i: the extension whose picture is at index i, or empty.
    const QStringList& Extensions() const { return m_extensions; }

private:
    int LookupDefaultIcon(const QString& extension);
    void Remember(int index, const QString& extension);

    QStringList m_extensions;
    ImageList* m_small = nullptr;  // not owned
    ImageList* m_large = nullptr;  // not owned
};

}  // namespace lc
