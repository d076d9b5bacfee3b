#include "views/FileListModel.h"

#include <algorithm>
#include <numeric>

#include "views/ImageList.h"

namespace lc {

void FileListModel::SetImageLists(const ImageList* small, const ImageList* large) {
    m_small = small;
    m_large = large;
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

void FileListModel::SetLargeIcons(bool large) {
    if (m_largeIcons == large) return;
    m_largeIcons = large;
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

void FileListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void FileListModel::Append(std::vector<Row> rows) {
    if (rows.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (auto& row : rows) m_rows.push_back(std::move(row));
    endInsertRows();
}

void FileListModel::Sort(const Compare& compare) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(m_rows[a].record, m_rows[b].record) < 0; });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPosition(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        newPosition[order[i]] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    // Selection and current row follow their records.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) after.append(index(newPosition[old.row()], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

DirInfo* FileListModel::Record(int row) const {
    const Row* r = RowAt(row);
    return r ? r->record : nullptr;
}

const FileListModel::Row* FileListModel::RowAt(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return &m_rows[static_cast<size_t>(row)];
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == kNameColumn) return row.text;
            if (index.column() == kSizeColumn) return row.size;
            return row.date;
        case Qt::DecorationRole: {
            if (index.column() != kNameColumn) return {};
            const ImageList* list = m_largeIcons ? m_large : m_small;
            if (list == nullptr) return {};
            return list->Icon(row.image);
        }
        case Qt::TextAlignmentRole:
            if (index.column() == kSizeColumn)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case kRecordRole:
            return QVariant::fromValue(static_cast<void*>(row.record));
        case kImageRole:
            return row.image;
        default:
            return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headings.size()) return {};
    if (role == Qt::DisplayRole) return m_headings.at(section);
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue((section == kSizeColumn ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

}  // namespace lc
