#include "views/ImageList.h"

namespace lc {

int ImageList::Add(const QIcon& icon) {
    m_icons.append(icon);
    return static_cast<int>(m_icons.size()) - 1;
}

QIcon ImageList::Icon(int index) const {
    if (index < 0 || index >= m_icons.size()) return {};
    return m_icons.at(index);
}

}  // namespace lc
