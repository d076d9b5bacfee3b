#include "views/CLeftView.h"

#include <algorithm>
#include <vector>

#include "fs/DirInfo.h"
#include "resources/Artwork.h"
#include "resources/ResourceText.h"
#include "resources/StringIds.h"
#include "views/CLCReaderView.h"
#include "views/ViewHost.h"

namespace lc {

namespace {

constexpr int kRecordRole = Qt::UserRole + 1;
// Far more folders than a FAT or NTFS volume of this reader can hold; only guards the walk.
constexpr size_t kMaxFolders = 16u * 1024 * 1024;

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QTreeWidgetItem* NewItem(DirInfo* record, const QString& text, const QIcon& icon) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setIcon(0, icon);
    item->setData(0, kRecordRole, QVariant::fromValue(static_cast<void*>(record)));
    record->treeItem = item;
    return item;
}

}  // namespace

CLeftView::CLeftView(QWidget* parent) : ExpTreeView(parent) {
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnSelectionChanged(current); });
}

void CLeftView::LoadIcons() {
    ExpTreeView::LoadIcons();
    if (m_closedImage == -1)
        m_closedImage = m_imageList->Add(Artwork::Icon(Artwork::kClosedFolder));
    if (m_openImage == -1) m_openImage = m_imageList->Add(Artwork::Icon(Artwork::kOpenFolder));
    m_documentImage = m_imageList->Add(Artwork::Icon(Artwork::kDocument));
    m_volumeImage = m_imageList->Add(Artwork::Bitmap(Artwork::kVolume));
}

QIcon CLeftView::FolderIcon() const {
    // Closed while not selected, open while selected.
    const QSize size = m_imageList->ImageSize();
    QIcon icon;
    icon.addPixmap(m_imageList->Icon(m_closedImage).pixmap(size), QIcon::Normal);
    icon.addPixmap(m_imageList->Icon(m_openImage).pixmap(size), QIcon::Selected);
    return icon;
}

DirInfo* CLeftView::RecordOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return static_cast<DirInfo*>(item->data(0, kRecordRole).value<void*>());
}

void CLeftView::FillTree(DirInfo* root) {
    if (root == nullptr) return;
    InitialUpdate();
    {
        // The old items go without a selection-change per item.
        const QSignalBlocker blocker(this);
        clear();
    }
    const QString label =
        root->name.empty() ? ResourceText(str::kRemovableDisk) : ToQString(root->name);
    // The volume picture whether selected or not.
    const QPixmap volumePicture = m_imageList->Icon(m_volumeImage).pixmap(m_imageList->ImageSize());
    QIcon volumeIcon;
    volumeIcon.addPixmap(volumePicture, QIcon::Normal);
    volumeIcon.addPixmap(volumePicture, QIcon::Selected);
    QTreeWidgetItem* top = NewItem(root, label, volumeIcon);
    addTopLevelItem(top);

    const QIcon folderIcon = FolderIcon();
    std::vector<std::pair<DirInfo*, QTreeWidgetItem*>> pending{{root, top}};
    size_t visited = 0;
    while (!pending.empty() && visited < kMaxFolders) {
        auto [dir, item] = pending.back();
        pending.pop_back();
        std::vector<DirInfo*> children;
        for (DirInfo* child = dir->firstChild; child != nullptr && visited < kMaxFolders;
             child = child->nextSibling) {
            children.push_back(child);
            ++visited;
        }
        // The control's sorted insertion: alphabetical, ignoring case; equal names keep order.
        std::stable_sort(children.begin(), children.end(), [](DirInfo* a, DirInfo* b) {
            return ToQString(a->name).compare(ToQString(b->name), Qt::CaseInsensitive) < 0;
        });
        QList<QTreeWidgetItem*> items;
        for (DirInfo* child : children) {
            QTreeWidgetItem* childItem = NewItem(child, ToQString(child->name), folderIcon);
            items.append(childItem);
            pending.emplace_back(child, childItem);
        }
        item->addChildren(items);
    }
    setCurrentItem(top);
}

void CLeftView::SelectItem(void* treeItem) {
    auto* item = static_cast<QTreeWidgetItem*>(treeItem);
    if (item == nullptr || item->treeWidget() != this) return;
    setCurrentItem(item);
    scrollToItem(item);
}

DirInfo* CLeftView::SelectedFolder() const {
    return RecordOf(currentItem());
}

void CLeftView::OnSelectionChanged(QTreeWidgetItem* current) {
    if (m_host == nullptr) return;
    m_host->GetFileListView()->ShowFolder(RecordOf(current));
}

}  // namespace lc
