// A file list with four styles over one model: large icons, small icons and list share an icon
// view, the report style is a table with column headers. Small pictures come from a list
// owned elsewhere (the folder tree's), large ones from the list owned here.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "views/FileListModel.h"
#include "views/ImageList.h"
#include "views/LCPImageList.h"

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTreeView;

namespace lc {

class ExpListView : public QWidget {
    Q_OBJECT
public:
    enum class Style { LargeIcon, SmallIcon, List, Report };

    explicit ExpListView(QWidget* parent = nullptr);
    ~ExpListView() override;

    Style GetStyle() const { return m_style; }
    void SetStyle(Style style);

    FileListModel* Model() const { return m_model; }
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    // The widget that shows the rows in the current style.
    QAbstractItemView* ActiveView() const;
    QTreeView* ReportView() const { return m_report; }
    QListView* IconView() const { return m_icons; }
    ImageList* LargeImages() const { return m_largeImageList.get(); }
    const ImageList* SmallImages() const { return m_smallImageList; }

    // Selected rows in ascending order.
    QList<int> SelectedRows() const;
    // The lowest selected row, or -1.
    int FirstSelected() const;

signals:
    // The selection, the rows, their order or the style changed: command states may differ.
    void selectionChanged();

protected:
    void SetSmallImages(const ImageList* small);
    void CreateLargeImages();
    // Picture index for a file name from the per-type icon cache; 0 when it has none.
    int FileTypeImage(const std::u16string& name);

    LCPImageList m_iconCache;
    std::unique_ptr<ImageList> m_largeImageList;
    int m_folderImage = 0;

private:
    FileListModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QStackedLayout* m_stack = nullptr;
    QTreeView* m_report = nullptr;
    QListView* m_icons = nullptr;
    const ImageList* m_smallImageList = nullptr;
    Style m_style = Style::Report;
};

}  // namespace lc
