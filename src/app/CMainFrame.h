// The main window: menu bar, the folder tree and the file list side by side with the banner
// above the list, and a one-pane status bar. It reads "LCPortable.ini", trims the menu by it,
// routes the commands and keeps their enable and check states.
#pragma once

#include <QMap>
#include <cstdint>

#include "app/LCFrame.h"
#include "support/TempFolders.h"
#include "views/ViewHost.h"
#include "volume/PasswordResult.h"

class QAction;
class QActionGroup;
class QMenu;
class QStatusBar;

namespace lc {

class CLCReaderApp;
class CLCReaderView;
class CLeftView;
class LCSplitter;

class CMainFrame : public LCFrame, public RetryDelayUi, public CleanupStatusSink, public ViewHost {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 600;
    static constexpr int kExtraWidth = 215;
    static constexpr int kInitialHeight = 500;
    static constexpr int kTreeWidth = 200;

    explicit CMainFrame(CLCReaderApp* app);
    ~CMainFrame() override;

    // Pane 0 of the status bar; empty clears it.
    void SetStatusText(const QString& text);
    void SetStatusText(const std::string& text) override;  // CleanupStatusSink, UTF-8
    void Wiping() override;
    QString StatusText() const;

    // The application object, which owns the open volume; null in tests without one.
    CLCReaderApp* App() const { return m_pApp; }

    // ViewHost
    QWidget* HostWindow() override { return this; }
    CLCFiles* OpenVolume() const override;
    CLCReaderView* GetFileListView() override;
    CLeftView* GetFolderTreeView() const override;
    bool AllowsCopy() const override { return m_nAllowCopy != 0; }
    bool AllowsDragDrop() const override { return m_nAllowDragDrop != 0; }
    void ShowStatusNow(const QString& text) override;
    LCSplitter* Splitter() const { return m_splitter; }

    // RetryDelayUi: the countdown dialog over this window.
    void RunRetryDelay(unsigned seconds) override;

    void OnCommand(uint32_t id) override;
    bool IsCommandEnabled(uint32_t id) override;
    // Enable and check states of every command, as the menus show them.
    void UpdateCommandUI();
    // Rebuilds the recent-file entries of the File menu.
    void UpdateRecentFileMenu(const QStringList& paths);

    // The action of a command id (recent entries: 57616 + index), or null.
    QAction* Action(uint32_t id) const { return m_actions.value(id, nullptr); }
    QAction* RecentFilePlaceholder() const { return m_recentPlaceholder; }
    bool IsStatusBarVisible() const { return m_bStatusBarVisible != 0; }

    unsigned m_nAllowCopy = 0;
    unsigned m_nAllowDragDrop = 0;

protected:
    QWidget* GetBannerPane() const override;

private:
    void ReadSettings();
    void BuildMenus();
    void TrimMenus();
    void CreateClientArea();
    QAction* AddCommand(uint32_t id, const QString& text);

    CLCReaderApp* m_pApp;  // not owned
    LCSplitter* m_splitter = nullptr;
    QStatusBar* m_statusBar = nullptr;
    CLCReaderView* m_fileListCache = nullptr;
    CLeftView* m_folderTree = nullptr;
    int m_bStatusBarVisible = 0;
    QMap<uint32_t, QAction*> m_actions;
    QAction* m_recentPlaceholder = nullptr;
    QActionGroup* m_styleGroup = nullptr;
};

}  // namespace lc
