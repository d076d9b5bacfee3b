#include "views/ExpListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QStackedLayout>
#include <QTreeView>
#include <algorithm>

namespace lc {

namespace {
constexpr int kLargeImageSize = 32;
constexpr int kSmallImageSize = 16;
}  // namespace

ExpListView::ExpListView(QWidget* parent) : QWidget(parent) {
    m_model = new FileListModel(this);
    m_selection = new QItemSelectionModel(m_model, this);

    m_report = new QTreeView(this);
    m_report->setRootIsDecorated(false);
    m_report->setItemsExpandable(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->setSortingEnabled(false);
    m_report->header()->setSectionsClickable(true);
    m_report->header()->setSectionsMovable(false);
    m_report->header()->setStretchLastSection(false);
    m_report->setIconSize(QSize(kSmallImageSize, kSmallImageSize));

    m_icons = new QListView(this);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setWrapping(true);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_report), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_report);
    m_stack->addWidget(m_icons);
    m_stack->setCurrentWidget(m_report);

    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChanged(); });
    // Row count and row order (which row is the first selected) decide command states too.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { emit selectionChanged(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { emit selectionChanged(); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { emit selectionChanged(); });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] { emit selectionChanged(); });
}

ExpListView::~ExpListView() = default;

QAbstractItemView* ExpListView::ActiveView() const {
    if (m_style == Style::Report) return m_report;
    return m_icons;
}

void ExpListView::SetStyle(Style style) {
    const bool hadFocus = ActiveView()->hasFocus();
    m_style = style;
    switch (style) {
        case Style::Report:
            m_stack->setCurrentWidget(m_report);
            break;
        case Style::LargeIcon:
            m_icons->setViewMode(QListView::IconMode);
            m_icons->setFlow(QListView::LeftToRight);
            m_icons->setIconSize(QSize(kLargeImageSize, kLargeImageSize));
            m_icons->setGridSize(QSize(96, 72));
            m_icons->setWordWrap(true);
            break;
        case Style::SmallIcon:
            m_icons->setViewMode(QListView::ListMode);
            m_icons->setFlow(QListView::LeftToRight);
            m_icons->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
            m_icons->setGridSize(QSize(160, 22));
            m_icons->setWordWrap(false);
            break;
        case Style::List:
            m_icons->setViewMode(QListView::ListMode);
            m_icons->setFlow(QListView::TopToBottom);
            m_icons->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
            m_icons->setGridSize(QSize());
            m_icons->setWordWrap(false);
            break;
    }
    if (style != Style::Report) {
        m_icons->setWrapping(true);
        m_stack->setCurrentWidget(m_icons);
    }
    m_model->SetLargeIcons(style == Style::LargeIcon);
    if (hadFocus) ActiveView()->setFocus();
    emit selectionChanged();
}

QList<int> ExpListView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : m_selection->selectedIndexes()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int ExpListView::FirstSelected() const {
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.front();
}

void ExpListView::SetSmallImages(const ImageList* small) {
    m_smallImageList = small;
    m_model->SetImageLists(m_smallImageList, m_largeImageList.get());
}

void ExpListView::CreateLargeImages() {
    m_largeImageList = std::make_unique<ImageList>(kLargeImageSize);
    m_model->SetImageLists(m_smallImageList, m_largeImageList.get());
}

int ExpListView::FileTypeImage(const std::u16string& name) {
    return m_iconCache.IconFor(name);
}

}  // namespace lc
