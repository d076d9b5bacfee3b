#include "views/ExpTreeView.h"

#include <QHeaderView>
#include <QPainter>

namespace lc {

namespace {
constexpr int kSmallImageSize = 16;
}

ExpTreeView::ExpTreeView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

ExpTreeView::~ExpTreeView() = default;

void ExpTreeView::InitialUpdate() {
    if (m_imageList) return;
    m_imageList = std::make_unique<ImageList>(kSmallImageSize);
    LoadIcons();
    setIconSize(m_imageList->ImageSize());
    setRootIsDecorated(true);
    setItemsExpandable(true);
}

void ExpTreeView::LoadIcons() {
    const QIcon system = QIcon::fromTheme(QStringLiteral("folder-open"));
    if (!system.isNull()) m_openImage = m_imageList->Add(system);
}

void ExpTreeView::drawBranches(QPainter* painter, const QRect& rect,
                               const QModelIndex& index) const {
    painter->save();
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    painter->setPen(pen);
    const int step = indentation();
    const int midY = rect.top() + rect.height() / 2;
    // Own level: from the parent's line across to the item, down on when siblings follow.
    int x = rect.right() - step / 2;
    const bool hasNext = index.sibling(index.row() + 1, 0).isValid();
    const bool first = !index.parent().isValid() && index.row() == 0;
    painter->drawLine(x, first ? midY : rect.top(), x, hasNext ? rect.bottom() : midY);
    painter->drawLine(x, midY, rect.right(), midY);
    // Levels above: a through line wherever an ancestor has a sibling below it.
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        x -= step;
        if (x < rect.left()) break;
        if (ancestor.sibling(ancestor.row() + 1, 0).isValid()) {
            painter->drawLine(x, rect.top(), x, rect.bottom());
        }
    }
    painter->restore();
    QTreeWidget::drawBranches(painter, rect, index);
}

}  // namespace lc
