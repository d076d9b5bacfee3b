// The rows of the file list: one per DirInfo record, with the texts and picture index fixed
// when the row is added. The icons come from the two image lists, small or large by the style.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <vector>

namespace lc {

struct DirInfo;
class ImageList;

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kNameColumn = 0;
    static constexpr int kSizeColumn = 1;
    static constexpr int kDateColumn = 2;
    static constexpr int kRecordRole = Qt::UserRole + 1;
    static constexpr int kImageRole = Qt::UserRole + 2;

    struct Row {
        DirInfo* record = nullptr;
        QString text;
        int image = 0;
        QString size;
        QString date;
    };
    // Negative, zero or positive, as the list control's comparison callback.
    using Compare = std::function<int(const DirInfo*, const DirInfo*)>;

    explicit FileListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetHeadings(const QStringList& headings) { m_headings = headings; }
    void SetImageLists(const ImageList* small, const ImageList* large);
    void SetLargeIcons(bool large);

    void Clear();
    void Append(std::vector<Row> rows);
    void Sort(const Compare& compare);
    DirInfo* Record(int row) const;
    const Row* RowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Row> m_rows;
    QStringList m_headings;
    const ImageList* m_small = nullptr;
    const ImageList* m_large = nullptr;
    bool m_largeIcons = false;
};

}  // namespace lc
