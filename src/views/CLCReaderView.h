// The right pane: the contents of the folder selected in the tree, subfolders first, then files,
// with Name / Size / Date Modified columns, per-column sorting, a context menu, and opening by
// double-click or Enter.
#pragma once

#include <cstdint>

#include "views/ExpListView.h"

class QMenu;

namespace lc {

struct DirInfo;
class ExtractionUi;
class ViewHost;

class CLCReaderView : public ExpListView {
    Q_OBJECT
public:
    explicit CLCReaderView(QWidget* parent = nullptr);

    // The window holding the view; null when it stands alone.
    void SetHost(ViewHost* host) { m_host = host; }
    ViewHost* Host() const { return m_host; }
    // Style, image lists and columns; runs once, when the view is first shown or filled.
    void InitialUpdate();
    // Empties the list and fills it with the directory's subfolders and files; null: empty.
    void ShowFolder(DirInfo* directory);

    bool IsFirstSelectedFile() const;
    DirInfo* RecordAt(int row) const;
    void SelectAll();
    // A click on column header c.
    void OnColumnClick(int column);
    // Double-click and Enter: views a file, or moves the tree to a folder.
    void OpenSelectedItem();
    // The context menu as it would pop up now; the caller owns it.
    QMenu* CreateContextMenu();

    // Commands routed here by the main frame, carried out by the extraction engine.
    void OnCopy();
    void OnExtract();
    void OnView();
    ExtractionUi* Extraction() const { return m_extraction; }

    int SizeColumn() const { return m_sizeColumn; }
    int DateColumn() const { return m_dateColumn; }
    int FileImage() const { return m_fileImage; }
    int FolderImage() const { return m_folderImage; }

    // "%s KB" with the size in KB rounded up, digits grouped by ".".
    static QString SizeText(uint64_t size);
    // The locale's short date and time with seconds, or "Invalid DateTime".
    static QString DateText(uint32_t modified);
    // The comparison of two rows for column c; ascending is the column's flag.
    static int CompareRecords(const DirInfo* a, const DirInfo* b, int column, bool ascending);
    // The process-wide sort flags (name, size, date).
    static bool SortFlag(int column);
    static void ResetSortFlags();
    // The width of the size or date column: the fixed pixel width grown with the font, and never
    // less than the widest text of the column or its heading.
    int ColumnWidth(int column) const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowContextMenu();

    ViewHost* m_host = nullptr;            // not owned
    ExtractionUi* m_extraction = nullptr;  // owned through the QObject tree
    int m_dateColumn = 2;
    int m_sizeColumn = 1;
    int m_fileImage = 2;
    bool m_initialised = false;
};

}  // namespace lc
