// A folder tree with its own 16 × 16 image list (closed and open folder pictures).
#pragma once

#include <QTreeWidget>
#include <memory>

#include "views/ImageList.h"

namespace lc {

class ExpTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ExpTreeView(QWidget* parent = nullptr);
    ~ExpTreeView() override;

    // Creates the image list, fills it (LoadIcons) and sets the tree's look. Runs once.
    void InitialUpdate();
    // The tree's normal image list: owned here, borrowed by the file list as its small list.
    ImageList* Images() const { return m_imageList.get(); }
    int ClosedFolderImage() const { return m_closedImage; }
    int OpenFolderImage() const { return m_openImage; }

protected:
    // Base: the desktop's open-folder picture, when the icon theme has one.
    virtual void LoadIcons();
    // Dotted lines connecting every item with its parent and siblings, top level included.
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

    int m_closedImage = -1;
    std::unique_ptr<ImageList> m_imageList;
    int m_openImage = -1;
};

}  // namespace lc
