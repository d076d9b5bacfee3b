// A list of pictures of one size addressed by index, as the views share them: the folder tree's
// 16 × 16 list also serves as the file list's small list, so an index means the same picture in
// the small and the large list.
#pragma once

#include <QIcon>
#include <QList>
#include <QSize>

namespace lc {

class ImageList {
public:
    explicit ImageList(int size) : m_size(size, size) {}

    // Appends the picture and returns its index.
    int Add(const QIcon& icon);
    int Add(const QPixmap& pixmap) { return Add(QIcon(pixmap)); }
    // Null icon for an index out of range.
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(m_icons.size()); }
    QSize ImageSize() const { return m_size; }

private:
    QSize m_size;
    QList<QIcon> m_icons;
};

}  // namespace lc
