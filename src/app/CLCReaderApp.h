// The application object: starts the program (window first, then the volume named on the
// command line), owns the one open volume, runs the open sequence, and cleans up at exit.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/CLCReaderDoc.h"
#include "app/RecentFileList.h"
#include "app/SessionGuard.h"
#include "platform/SettingsStore.h"
#include "platform/Status.h"
#include "volume/CLCFiles.h"

namespace lc {

class CMainFrame;

class CLCReaderApp : public QObject {
    Q_OBJECT
public:
    CLCReaderApp();
    ~CLCReaderApp() override;
    CLCReaderApp(const CLCReaderApp&) = delete;
    CLCReaderApp& operator=(const CLCReaderApp&) = delete;

    // arguments as QCoreApplication::arguments(): the program, then an optional volume path.
    bool InitInstance(const QStringList& arguments);
    // Cleans the current volume's temporary folder and saves the recent-file list.
    int ExitInstance(int exitCode);

    // The open sequence. The active document on success, null otherwise; shows its own
    // messages.
    CLCReaderDoc* OpenDocumentFile(const QString& path);
    void OnFileOpen();
    void OnRecentFile(int index);
    // Shows the about box, modal and without parent.
    void OnAppAbout();

    // Shows the failure message of an open.
    static void ReportOpenError(Status code);
    // The executable's name without extension; names the settings key.
    QString ApplicationName() const { return m_applicationName; }
    // The window-title field of document string 101.
    static QString WindowTitle();
    // The filter of the open dialog, from document string 101.
    static QString OpenFilter();
    bool IsPaletteDisplay() const;
    const QStringList& RecentFiles() const { return m_recentFiles.Entries(); }

    std::unique_ptr<CLCFiles> m_pVolume;
    CMainFrame* m_pMainFrame = nullptr;  // set by the frame; owned by m_frame
    int m_bOpenDirChosen = 0;

private:
    QString m_applicationName;
    RecentFileList m_recentFiles;
    SettingsStore m_settings;
    bool m_settingsOpen = false;
    CLCReaderDoc m_document;
    QString m_lastOpenFolder;
    // Declared last: the window and its views go before the volume their records belong to.
    std::unique_ptr<CMainFrame> m_frame;
    // Runs ExitInstance when the session ends under the window (signals, lost display).
    std::unique_ptr<SessionGuard> m_sessionGuard;
};

}  // namespace lc
