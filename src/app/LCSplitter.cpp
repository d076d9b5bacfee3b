#include "app/LCSplitter.h"

#include <QVBoxLayout>

#include "app/BannerStrip.h"
#include "app/LCFrame.h"

namespace lc {

LCSplitter::LCSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setChildrenCollapsible(false);
}

void LCSplitter::SetPanes(QWidget* left, QWidget* right) {
    m_panes[0] = left;
    m_panes[1] = right;
    addWidget(left);
    if (m_pOwnerFrame == nullptr) {
        addWidget(right);
        return;
    }
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new BannerStrip(m_pOwnerFrame, column));
    layout->addWidget(right, 1);
    addWidget(column);
}

QWidget* LCSplitter::GetPane(int column) const {
    if (column < 0 || column > 1) return nullptr;
    return m_panes[column];
}

}  // namespace lc
