#include "views/ExtractionUi.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTreeView>

#include "app/CMainFrame.h"
#include "app/WaitCursor.h"
#include "app/WorkPump.h"
#include "extract/ExtractFile.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "resources/ErrorText.h"
#include "resources/StringTable.h"
#include "support/TempFolders.h"
#include "views/CLCReaderView.h"
#include "views/ConfirmFileReplaceDlg.h"
#include "views/DesktopLauncher.h"
#include "views/FileDataSource.h"
#include "views/FileDropSource.h"

namespace lc {

namespace {

constexpr uint32_t kStrFilesExtracted = 7;
constexpr uint32_t kStrExtract = 8;
constexpr uint32_t kStrExtractTo = 9;
constexpr uint32_t kStrCannotCreateFolder = 10;
constexpr uint32_t kStrError = 11;
constexpr uint32_t kStrEncryptedRefused = 237;
constexpr uint32_t kStrSkipEncrypted = 239;
constexpr uint32_t kStrSaveFileAs = 32776;
constexpr uint32_t kStrCannotExtract = 32780;
constexpr uint32_t kStrFileExtracted = 32781;
constexpr uint32_t kStrTitle = 32782;
constexpr uint32_t kStrCannotView = 32783;
constexpr uint32_t kStrProgress = 32785;
constexpr uint32_t kStrCannotLaunch = 32786;

// Bounds the walks over the in-memory tree (it is finite and acyclic; these only guard).
constexpr size_t kMaxScannedRecords = 16u * 1024 * 1024;
constexpr int kMaxFolderDepth = 4096;

// The resource text, used as a printf format (the resource decides the order of the fields).
QByteArray Format(uint32_t id) {
    return QByteArray::fromStdString(LoadString(id));
}

QString Text(uint32_t id) {
    return QString::fromStdString(LoadString(id));
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ExtractionUi::ExtractionUi(CLCReaderView* list, VolumeSource volume, QObject* parent)
    : QObject(parent), m_list(list), m_volume(std::move(volume)) {
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_list->ReportView()),
                                    static_cast<QAbstractItemView*>(m_list->IconView())}) {
        view->viewport()->installEventFilter(this);
    }
}

CMainFrame* ExtractionUi::Frame() const {
    return qobject_cast<CMainFrame*>(m_list->window());
}

QWidget* ExtractionUi::Owner() const {
    if (CMainFrame* frame = Frame()) return frame;
    return m_list;
}

void ExtractionUi::Message(int icon, const QString& text) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), Text(kStrTitle), text, QMessageBox::Ok,
                    Owner());
    box.exec();
}

void ExtractionUi::SetStatus(const QString& text) {
    CMainFrame* frame = Frame();
    if (frame == nullptr) return;
    frame->SetStatusText(text);
    // The copy blocks the event loop; the bar is painted now, not when it is over.
    frame->statusBar()->repaint();
}

std::vector<const DirInfo*> ExtractionUi::SelectedRecords() const {
    std::vector<const DirInfo*> records;
    for (int row : m_list->SelectedRows()) {
        if (const DirInfo* record = m_list->RecordAt(row)) records.push_back(record);
    }
    return records;
}

QString ExtractionUi::FormatSystemError(Status code) {
    return QString::fromStdString(lc::FormatSystemError(code, UserLanguage()));
}

// --- Extract ---------------------------------------------------------------------------------

void ExtractionUi::OnExtract() {
    if (m_list->SelectedRows().size() == 1 && m_list->IsFirstSelectedFile()) {
        QString path;
        if (SaveFileAs(path) == status::kSuccess) {
            Message(
                QMessageBox::Information,
                QString::asprintf(Format(kStrFileExtracted).constData(), Utf8(path).constData()));
        }
        return;
    }
    Status result = status::kSuccess;
    {
        const WaitCursor wait;
        result = ExtractSelection(false, true);
    }
    if (result == status::kSuccess) Message(QMessageBox::Information, Text(kStrFilesExtracted));
}

Status ExtractionUi::SaveFileAs(QString& outPath) {
    const DirInfo* record = m_list->RecordAt(m_list->FirstSelected());
    CLCFiles* volume = m_volume ? m_volume() : nullptr;
    if (record == nullptr || !record->IsFile() || volume == nullptr) return status::kCancelled;
    if (record->attributes & kAttrEncrypted) {
        Message(QMessageBox::Critical, Text(kStrEncryptedRefused));
        return status::kNotSupported;
    }
    QFileDialog dialog(Owner(), Text(kStrSaveFileAs));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The name as it would be written: a volume name may hold characters a path cannot.
    dialog.selectFile(QString::fromStdString(SafeOutputName(record->name)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return status::kCancelled;
    }
    const QString path = dialog.selectedFiles().front();
    outPath = path;
    Status result = status::kSuccess;
    {
        const WorkPump::Scope busy;
        WorkPump::Tick(true);  // the window under the closed dialog is painted again first
        volume->SetProgressListener(this);
        result = ExtractFile(*volume, *record, path.toStdString());
        volume->SetProgressListener(nullptr);
        SetStatus(QString());
    }
    if (result != status::kSuccess) {
        Message(QMessageBox::Warning,
                QString::asprintf(Format(kStrCannotExtract).constData(),
                                  Utf8(ToQString(record->name)).constData(), Utf8(path).constData(),
                                  static_cast<int>(result.code()),
                                  Utf8(FormatSystemError(result)).constData()));
    }
    return result;
}

QString ExtractionUi::BrowseForTarget() {
    QFileDialog dialog(Owner(), Text(kStrExtractTo));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString folder = dialog.selectedFiles().front();
    if (!folder.isEmpty() && !folder.endsWith(u'/')) folder += u'/';
    return folder;
}

Status ExtractionUi::PreScan(const std::vector<const DirInfo*>& items, bool descend) {
    // Extraction order: a folder's files, then its subfolders.
    std::vector<const DirInfo*> pending(items.rbegin(), items.rend());
    const DirInfo* found = nullptr;
    size_t visited = 0;
    while (!pending.empty() && found == nullptr && visited++ < kMaxScannedRecords) {
        const DirInfo* record = pending.back();
        pending.pop_back();
        if (record->IsFile()) {
            if (IsUnsupportedData(*record)) found = record;
            continue;
        }
        if (!descend) continue;
        std::vector<const DirInfo*> inside;
        for (const DirInfo* f = record->firstFile;
             f != nullptr && inside.size() < kMaxScannedRecords; f = f->nextFile) {
            inside.push_back(f);
        }
        for (const DirInfo* d = record->firstChild;
             d != nullptr && inside.size() < kMaxScannedRecords; d = d->nextSibling) {
            inside.push_back(d);
        }
        pending.insert(pending.end(), inside.rbegin(), inside.rend());
    }
    if (found == nullptr) return status::kSuccess;
    QMessageBox box(QMessageBox::Critical, Text(kStrTitle), Text(kStrSkipEncrypted),
                    QMessageBox::Yes | QMessageBox::No, Owner());
    return box.exec() == QMessageBox::Yes ? status::kSuccess : status::kNotSupported;
}

Status ExtractionUi::TemporaryFolderOf(const DirInfo& record, std::string& folder, bool create) {
    CLCFiles* volume = m_volume ? m_volume() : nullptr;
    if (volume == nullptr) return status::kInvalidHandle;
    std::vector<const DirInfo*> chain;
    for (const DirInfo* p = record.parent; p != nullptr && p->parent != nullptr; p = p->parent) {
        if (chain.size() >= static_cast<size_t>(kMaxFolderDepth)) return status::kFilenameTooLong;
        chain.push_back(p);
    }
    std::string path;
    LC_TRY(GetVolumeTempFolder(volume->GetVolumeName(), path, create));
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        std::string next;
        LC_TRY(JoinOutputPath(path, (*it)->name, next));
        if (create) LC_TRY(CreateSubfolder(next));
        path = next + '/';
    }
    folder = std::move(path);
    return status::kSuccess;
}

Status ExtractionUi::ExtractSelection(bool view, bool userFolder) {
    CLCFiles* volume = m_volume ? m_volume() : nullptr;
    if (volume == nullptr) return status::kInvalidHandle;
    const std::vector<const DirInfo*> selected = SelectedRecords();
    const WorkPump::Scope busy;
    // View passes over folders, so what lies in them is not asked about.
    LC_TRY(PreScan(selected, !view));

    ExtractOptions options;
    options.askBeforeReplace = userFolder;
    options.filesOnly = view;
    Extractor extractor(*volume, *this, options);
    volume->SetProgressListener(this);
    std::string target;
    Status result = status::kSuccess;
    for (const DirInfo* item : selected) {
        if (result != status::kSuccess) break;
        // Passed over without a word: the question above has been answered with Yes.
        if (IsUnsupportedData(*item)) continue;
        if (target.empty()) {
            if (userFolder) {
                target = BrowseForTarget().toStdString();
                if (target.empty()) {
                    result = status::kCancelled;
                    break;
                }
                WorkPump::Tick(true);
            } else {
                // All rows share one folder; the first one names it.
                result = TemporaryFolderOf(*item, target, true);
                if (result != status::kSuccess) break;
            }
        }
        if (item->IsFile()) {
            const size_t before = extractor.Counts().extracted;
            result = extractor.ExtractOneFile(*item, target);
            // Not when the file was kept (No) or passed over (a link).
            if (view && result == status::kSuccess && extractor.Counts().extracted > before) {
                ViewFile(QString::fromStdString(extractor.LastWrittenPath()));
            }
        } else if (!view) {
            result = extractor.ExtractDirectory(*item, target);
        }
    }
    volume->SetProgressListener(nullptr);
    m_statusText.clear();
    SetStatus(QString());
    return result;
}

// --- View ------------------------------------------------------------------------------------

void ExtractionUi::OnView() {
    const Status result = ExtractSelection(true, false);
    if (result == status::kSuccess || result == status::kCancelled) return;
    Message(QMessageBox::Warning,
            QString::asprintf(Format(kStrCannotView).constData(), static_cast<int>(result.code()),
                              Utf8(FormatSystemError(result)).constData()));
}

bool ExtractionUi::ViewFile(const QString& path) {
    const QByteArray native = path.toUtf8();
    struct stat st {};
    // Read-only: the owner's write bit goes; lstat, so a link is never changed through.
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::chmod(native.constData(), (st.st_mode & 07777) & ~static_cast<mode_t>(S_IWUSR));
    }
    if (DesktopLauncher::OpenFile(path)) return true;
    Message(QMessageBox::Warning,
            QString::asprintf(Format(kStrCannotLaunch).constData(), native.constData()));
    return false;
}

// --- Copy and drag ---------------------------------------------------------------------------

Status ExtractionUi::RenderFileList(QList<QUrl>& urls) {
    urls.clear();
    LC_TRY(ExtractSelection(false, false));
    const std::vector<const DirInfo*> records = SelectedRecords();
    if (records.empty()) return status::kSuccess;
    std::string prefix;
    LC_TRY(TemporaryFolderOf(*records.front(), prefix, false));
    for (const DirInfo* record : records) {
        if (IsUnsupportedData(*record)) continue;
        std::string path;
        LC_TRY(JoinOutputPath(prefix, record->name, path));
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    return status::kSuccess;
}

void ExtractionUi::OnCopy() {
    CMainFrame* frame = Frame();
    if (frame == nullptr || frame->m_nAllowCopy == 0) return;
    const WaitCursor wait;
    QList<QUrl> urls;
    if (RenderFileList(urls) != status::kSuccess) return;
    QApplication::clipboard()->setMimeData(new FileDataSource(urls));
}

void ExtractionUi::BeginDrag() {
    CMainFrame* frame = Frame();
    if (frame == nullptr || frame->m_nAllowDragDrop == 0) return;
    if (m_list->FirstSelected() == -1) return;
    // Extracted before the drag starts: a drop target takes the files at once and would not
    // wait for a long extraction when it asks for them.
    QList<QUrl> urls;
    {
        const WaitCursor wait;
        if (RenderFileList(urls) != status::kSuccess || urls.isEmpty()) return;
    }
    FileDropSource::DoDragDrop(m_list, new FileDataSource(urls));
}

bool ExtractionUi::eventFilter(QObject* watched, QEvent* event) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* view =
        viewport != nullptr ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    if (view == nullptr) return false;
    const CMainFrame* frame = Frame();
    const bool dragAllowed = frame != nullptr && frame->m_nAllowDragDrop != 0;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_pressed = false;
            if (!dragAllowed || mouse->button() != Qt::LeftButton ||
                mouse->modifiers() != Qt::NoModifier) {
                return false;
            }
            const QModelIndex index = view->indexAt(mouse->position().toPoint());
            const QList<int> selected = m_list->SelectedRows();
            if (!index.isValid() || !selected.contains(index.row())) return false;
            m_pressed = true;
            m_pressPos = mouse->position().toPoint();
            m_pressRow = index.row();
            // Held back from the view when several rows are selected: dragging them must not
            // narrow the selection to the pressed row.
            m_pressHeld = selected.size() > 1;
            return m_pressHeld;
        }
        case QEvent::MouseMove: {
            if (!m_pressed) return false;
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->position().toPoint() - m_pressPos).manhattanLength() <
                QApplication::startDragDistance()) {
                return true;
            }
            m_pressed = false;
            BeginDrag();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (!m_pressed) return false;
            m_pressed = false;
            if (!m_pressHeld) return false;
            // A plain click after all: the row alone becomes the selection.
            const QModelIndex index = m_list->Model()->index(m_pressRow, 0);
            view->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return true;
        }
        default:
            return false;
    }
}

// --- Hooks of the walk -----------------------------------------------------------------------

ReplaceAnswer ExtractionUi::ConfirmReplace(const std::string& path) {
    ConfirmFileReplaceDlg dialog(QString::fromStdString(path), Owner());
    switch (dialog.exec()) {
        case ConfirmFileReplaceDlg::kYes:
            return ReplaceAnswer::Yes;
        case ConfirmFileReplaceDlg::kYesToAll:
            return ReplaceAnswer::YesToAll;
        case ConfirmFileReplaceDlg::kNo:
            return ReplaceAnswer::No;
        default:
            return ReplaceAnswer::Cancel;
    }
}

void ExtractionUi::ShowExtractStatus(const std::string& path) {
    m_statusText = QString::asprintf("%s %s", LoadString(kStrExtract).c_str(), path.c_str());
    SetStatus(m_statusText);
    WorkPump::Tick();
}

void ExtractionUi::ReportFileError(const DirInfo& file, const std::string& folder, Status code) {
    Message(QMessageBox::Warning, QString::asprintf(Format(kStrCannotExtract).constData(),
                                                    Utf8(ToQString(file.name)).constData(),
                                                    folder.c_str(), static_cast<int>(code.code()),
                                                    Utf8(FormatSystemError(code)).constData()));
}

void ExtractionUi::ReportFolderError(const std::string& path, Status code) {
    const QString what =
        QString::asprintf(Format(kStrCannotCreateFolder).constData(), path.c_str());
    Message(QMessageBox::Warning,
            QString::asprintf("%s\n\n%s: %i\n%s", Utf8(what).constData(),
                              LoadString(kStrError).c_str(), static_cast<int>(code.code()),
                              Utf8(FormatSystemError(code)).constData()));
}

void ExtractionUi::OnProgress(uint64_t total, uint64_t remaining) {
    CLCFiles* volume = m_volume ? m_volume() : nullptr;
    if (remaining == 0 || total == 0 || remaining > total) {
        // The copy is over: its line goes, the line of the walk comes back.
        if (volume != nullptr) volume->SetStatusText({}, false);
        if (m_lastPercent != -1) SetStatus(m_statusText);
        m_lastPercent = -1;
        return;
    }
    const int percent = static_cast<int>((total - remaining) * 100 / total);
    // Readers report after every block; the bar needs a new text only per percent, the window
    // a repaint per percent or when 100 ms have passed.
    if (percent == m_lastPercent) {
        WorkPump::Tick();
        return;
    }
    m_lastPercent = percent;
    const QString text = QString::asprintf(Format(kStrProgress).constData(), percent);
    if (volume != nullptr) volume->SetStatusText(text.toStdU16String(), true);
    SetStatus(text);
    WorkPump::Tick(true);
}

}  // namespace lc
