// What the views need from the window that holds them: the open volume, the other pane, the
// commands and their states, the settings that allow copying and dragging, and the status bar.
// The main frame implements it; the views never see the application classes themselves.
#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace lc {

class CLCFiles;
class CLCReaderView;
class CLeftView;

class ViewHost {
public:
    // The window: owner of the views' dialogs and menus.
    virtual QWidget* HostWindow() = 0;
    // The volume open now, or null.
    virtual CLCFiles* OpenVolume() const = 0;
    virtual CLCReaderView* GetFileListView() = 0;
    virtual CLeftView* GetFolderTreeView() const = 0;

    virtual void OnCommand(uint32_t id) = 0;
    virtual bool IsCommandEnabled(uint32_t id) = 0;
    virtual bool AllowsCopy() const = 0;
    virtual bool AllowsDragDrop() const = 0;
    // Pane 0 of the status bar, painted at once: long work blocks the event loop.
    virtual void ShowStatusNow(const QString& text) = 0;

protected:
    ~ViewHost() = default;
};

}  // namespace lc
