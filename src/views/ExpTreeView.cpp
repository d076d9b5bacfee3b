#include "views/ExpTreeView.h"

#include <QHeaderView>

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

}  // namespace lc
