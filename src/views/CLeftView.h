// The left pane: the open volume's folder hierarchy, filled once per volume from its DirInfo
// records. Every item carries its record; every directory record's treeItem names its item.
#pragma once

#include "views/ExpTreeView.h"

namespace lc {

struct DirInfo;
class ViewHost;

class CLeftView : public ExpTreeView {
    Q_OBJECT
public:
    explicit CLeftView(QWidget* parent = nullptr);

    // The window holding the view; null when it stands alone.
    void SetHost(ViewHost* host) { m_host = host; }
    // Replaces the tree by the folders under root (sorted by name) and selects the root item.
    void FillTree(DirInfo* root);
    // Makes the item (a DirInfo::treeItem) the current one; the file list follows.
    void SelectItem(void* treeItem);
    // The record of the current item, or null.
    DirInfo* SelectedFolder() const;
    int DocumentImage() const { return m_documentImage; }
    int VolumeImage() const { return m_volumeImage; }

    static DirInfo* RecordOf(const QTreeWidgetItem* item);

protected:
    void LoadIcons() override;

private:
    void OnSelectionChanged(QTreeWidgetItem* current);
    QIcon FolderIcon() const;

    int m_documentImage = -1;
    ViewHost* m_host = nullptr;  // not owned
    int m_volumeImage = -1;
};

}  // namespace lc
