#include "app/CLCReaderApp.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

#include "app/CMainFrame.h"
#include "app/CPasswordDlg.h"
#include "app/DamagedFolders.h"
#include "app/QtTranslation.h"
#include "app/WindowPlacement.h"
#include "platform/Text.h"
#include "resources/ErrorText.h"
#include "resources/ResourceText.h"
#include "resources/StringIds.h"
#include "support/Dod.h"
#include "support/TempFolders.h"
#include "views/CAboutDlg.h"
#include "views/CLeftView.h"
#include "views/WaitCursor.h"
#include "views/WorkPump.h"
#include "volume/LCHeader.h"
#include "volume/PasswordResult.h"

namespace lc {

namespace {

// Plain copies that cannot be removed now are wiped by the sweep at the next start.
constexpr const char* kLeftForTheSweep = "the next start sweeps what is left";

constexpr int kMaxCurrentDirectory = 260;

QString DocumentStringField(int field) {
    return ResourceText(str::kDocumentStrings).section(u'\n', field, field);
}

QString ExecutableName() {
    const QString path = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(path).completeBaseName();
    return name.isEmpty() ? QStringLiteral("lcportable") : name;
}

// The main window's place from one run to the next.
std::string WindowSettingsKey(const QString& applicationName) {
    return "Software\\Kelmora\\" + applicationName.toStdString() + "\\Settings";
}

std::string Utf8Path(const QString& path) {
    return path.toUtf8().toStdString();
}

}  // namespace

CLCReaderApp::CLCReaderApp()
    : m_applicationName(ExecutableName()), m_recentFiles(m_applicationName) {
    // Seeds the random generator before any temporary file can be wiped.
    { const Dod seed; }
}

CLCReaderApp::~CLCReaderApp() {
    m_frame.reset();
    m_pVolume.reset();
}

QString CLCReaderApp::WindowTitle() {
    return DocumentStringField(0);
}

QString CLCReaderApp::OpenFilter() {
    // The filter name already carries its pattern, which is what the file dialog matches.
    return DocumentStringField(3);
}

bool CLCReaderApp::IsPaletteDisplay() const {
    static const bool palette = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr && screen->depth() <= 8;
    }();
    return palette;
}

bool CLCReaderApp::InitInstance(const QStringList& arguments) {
    m_sessionGuard = std::make_unique<SessionGuard>([this] { ExitInstance(0); });
    QtTranslation::Install();
    m_settingsOpen =
        SettingsStore::Open(SettingsStore::Scope::Persistent, m_settings) == status::kSuccess;
    if (m_settingsOpen) m_recentFiles.Read(m_settings);

    // The window always comes up first, empty; a volume on the command line is opened after.
    QString fileToOpen;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments.at(i).startsWith(u'-')) {
            fileToOpen = QFileInfo(arguments.at(i)).absoluteFilePath();
            break;
        }
    }

    m_frame = std::make_unique<CMainFrame>(this);
    m_frame->setWindowTitle(WindowTitle());
    m_frame->UpdateRecentFileMenu(m_recentFiles.Entries());
    if (m_settingsOpen) {
        WindowPlacement::Restore(*m_frame, m_settings, WindowSettingsKey(m_applicationName));
    }
    m_frame->show();
    m_frame->repaint();

    if (!fileToOpen.isEmpty()) OpenDocumentFile(fileToOpen);
    return true;
}

int CLCReaderApp::ExitInstance(int exitCode) {
    if (m_sessionGuard) m_sessionGuard->Disarm();
    if (m_pVolume) {
        const DirInfo* root = m_pVolume->Root();
        IgnoreStatus(CleanupVolumeTemp(m_pVolume->GetVolumeName(),
                                       root ? root->name : std::u16string(), false, nullptr),
                     kLeftForTheSweep);
    }
    if (m_settingsOpen) {
        m_recentFiles.Write(m_settings);
        if (m_frame) {
            IgnoreStatus(
                WindowPlacement::Save(*m_frame, m_settings, WindowSettingsKey(m_applicationName)),
                "the next start then opens at the default place");
        }
    }
    return exitCode;
}

void CLCReaderApp::ReportOpenError(Status code) {
    QMessageBox box(QMessageBox::Warning, ResourceText(str::kTitle),
                    QString::fromStdString(FormatOpenError(code)), QMessageBox::Ok);
    box.exec();
}

CLCReaderDoc* CLCReaderApp::OpenDocumentFile(const QString& path) {
    if (m_pMainFrame == nullptr) return nullptr;
    const std::string file = Utf8Path(path);
    // The root of the volume open now, for the clean-up decision below.
    DirInfo* oldRoot = m_pVolume ? m_pVolume->Root() : nullptr;

    // Header check and key-ring refusal, before any password is asked for.
    {
        LCHeader header;
        const Status s = header.ReadHeader(file);
        if (s != status::kSuccess) {
            ReportOpenError(s);
            return nullptr;
        }
        if (header.IsKeyRingProtected(LCHeader::Slot::A) ||
            header.IsKeyRingProtected(LCHeader::Slot::B)) {
            QMessageBox box(QMessageBox::Critical, m_applicationName,
                            ResourceText(str::kKeyringUnsupported), QMessageBox::Ok, m_pMainFrame);
            box.exec();
            return nullptr;
        }
    }

    // One volume object for every attempt; a wrong password delays and asks again.
    auto volume = std::make_unique<CLCFiles>();
    Status s = status::kCancelled;
    for (;;) {
        CPasswordDlg dialog(m_pMainFrame);
        if (dialog.exec() == QDialog::Accepted) {
            {
                const WaitCursor wait;
                s = volume->Open(file, dialog.GetPassword().span());
            }
            if (s == status::kSuccess || s == status::kInvalidPassword) {
                RecordPasswordResult(*m_pMainFrame, volume->GetVolumeName(), s);
            } else if (s != status::kCancelled) {
                ReportOpenError(s);
            }
        } else {
            s = status::kCancelled;
        }
        if (s != status::kInvalidPassword) break;
    }
    // A failed or cancelled open leaves the volume open before as it is.
    if (s != status::kSuccess) return nullptr;

    // Install the new volume; the old records go only after the tree shows the new ones.
    const WaitCursor wait;
    const WorkPump::Scope busy;  // the clean-ups below wipe
    DirInfo* newRoot = volume->Root();
    const std::u16string newLabel = newRoot != nullptr ? newRoot->name : std::u16string();
    m_pMainFrame->setWindowTitle(ResourceText(str::kTitle) + QStringLiteral(" [") + path + u']');
    m_recentFiles.Add(path);
    m_pMainFrame->UpdateRecentFileMenu(m_recentFiles.Entries());
    if (m_pVolume && oldRoot != nullptr && oldRoot->name != newLabel) {
        IgnoreStatus(
            CleanupVolumeTemp(m_pVolume->GetVolumeName(), oldRoot->name, true, m_pMainFrame),
            kLeftForTheSweep);
    }
    m_pMainFrame->GetFolderTreeView()->FillTree(newRoot);
    if (m_pVolume) {
        m_pVolume->ReleaseTree();
        m_pVolume.reset();
    }
    m_pVolume = std::move(volume);
    // Copies left by an earlier run for the same volume.
    IgnoreStatus(CleanupVolumeTemp(m_pVolume->GetVolumeName(), newLabel, true, m_pMainFrame),
                 kLeftForTheSweep);
    ReportDamagedFolders(m_pMainFrame, m_pVolume->Tree());
    return &m_document;
}

void CLCReaderApp::OnFileOpen() {
    QFileDialog dialog(m_pMainFrame, ResourceText(str::kSelectVolume), QString(), OpenFilter());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(DocumentStringField(4).mid(1));
    if (m_bOpenDirChosen == 0) {
        const QString current = QDir::currentPath();
        if (current.size() <= kMaxCurrentDirectory) dialog.setDirectory(current);
    } else if (!m_lastOpenFolder.isEmpty()) {
        dialog.setDirectory(m_lastOpenFolder);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    m_bOpenDirChosen = 1;
    m_lastOpenFolder = dialog.directory().absolutePath();
    OpenDocumentFile(dialog.selectedFiles().front());
}

void CLCReaderApp::OnAppAbout() {
    CAboutDlg box;
    box.exec();
}

void CLCReaderApp::OnRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.Entries().size()) return;
    const QString path = m_recentFiles.Entries().at(index);
    if (OpenDocumentFile(path) == nullptr) {
        m_recentFiles.Remove(index);
        m_pMainFrame->UpdateRecentFileMenu(m_recentFiles.Entries());
    }
}

}  // namespace lc
