#include "views/ExtractionUi.h"

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

#include "extract/ExtractFile.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "extract/WalkOrder.h"
#include "resources/ErrorText.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/RecordTempFolder.h"
#include "views/CLCReaderView.h"
#include "views/ConfirmFileReplaceDlg.h"
#include "views/DesktopLauncher.h"
#include "views/DragGesture.h"
#include "views/FileDataSource.h"
#include "views/FileDropSource.h"
#include "views/ViewHost.h"
#include "views/WaitCursor.h"
#include "views/WorkPump.h"

namespace lc {

namespace {

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

ExtractionUi::ExtractionUi(CLCReaderView* list, QObject* parent) : QObject(parent), m_list(list) {
    new DragGesture(
        m_list,
        [this] {
            const ViewHost* host = Host();
            return host != nullptr && host->AllowsDragDrop();
        },
        [this] { BeginDrag(); }, this);
}

ViewHost* ExtractionUi::Host() const {
    return m_list->Host();
}

CLCFiles* ExtractionUi::Volume() const {
    const ViewHost* host = Host();
    return host != nullptr ? host->OpenVolume() : nullptr;
}

QWidget* ExtractionUi::Owner() const {
    if (ViewHost* host = Host()) return host->HostWindow();
    return m_list;
}

void ExtractionUi::Message(int icon, const QString& text) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), Text(str::kTitle), text, QMessageBox::Ok,
                    Owner());
    box.exec();
}

void ExtractionUi::SetStatus(const QString& text) {
    if (ViewHost* host = Host()) host->ShowStatusNow(text);
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
                QString::asprintf(Format(str::kFileExtracted).constData(), Utf8(path).constData()));
        }
        return;
    }
    Status result = status::kSuccess;
    {
        const WaitCursor wait;
        result = ExtractSelection(false, true);
    }
    if (result == status::kSuccess) Message(QMessageBox::Information, Text(str::kFilesExtracted));
}

Status ExtractionUi::SaveFileAs(QString& outPath) {
    const DirInfo* record = m_list->RecordAt(m_list->FirstSelected());
    CLCFiles* volume = Volume();
    if (record == nullptr || !record->IsFile() || volume == nullptr) return status::kCancelled;
    if (record->attributes & kAttrEncrypted) {
        Message(QMessageBox::Critical, Text(str::kEncryptedRefused));
        return status::kNotSupported;
    }
    QFileDialog dialog(Owner(), Text(str::kSaveFileAs));
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
                QString::asprintf(Format(str::kCannotExtract).constData(),
                                  Utf8(ToQString(record->name)).constData(), Utf8(path).constData(),
                                  static_cast<int>(result.code()),
                                  Utf8(FormatSystemError(result)).constData()));
    }
    return result;
}

QString ExtractionUi::BrowseForTarget() {
    QFileDialog dialog(Owner(), Text(str::kExtractTo));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString folder = dialog.selectedFiles().front();
    if (!folder.isEmpty() && !folder.endsWith(u'/')) folder += u'/';
    return folder;
}

Status ExtractionUi::AskAboutUnsupported(const std::vector<const DirInfo*>& items, bool descend) {
    if (FirstUnsupportedFile(items, descend) == nullptr) return status::kSuccess;
    QMessageBox box(QMessageBox::Critical, Text(str::kTitle), Text(str::kSkipEncrypted),
                    QMessageBox::Yes | QMessageBox::No, Owner());
    return box.exec() == QMessageBox::Yes ? status::kSuccess : status::kNotSupported;
}

Status ExtractionUi::TemporaryFolderOf(const DirInfo& record, std::string& folder, bool create) {
    CLCFiles* volume = Volume();
    if (volume == nullptr) return status::kInvalidHandle;
    return RecordTempFolder(volume->GetVolumeName(), record, folder, create);
}

Status ExtractionUi::ExtractSelection(bool view, bool userFolder,
                                      std::vector<std::string>* written) {
    CLCFiles* volume = Volume();
    if (volume == nullptr) return status::kInvalidHandle;
    const std::vector<const DirInfo*> selected = SelectedRecords();
    const WorkPump::Scope busy;
    // View passes over folders, so what lies in them is not asked about.
    LC_TRY(AskAboutUnsupported(selected, !view));

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
        bool wrote = false;
        if (item->IsFile()) {
            const size_t before = extractor.Counts().extracted;
            result = extractor.ExtractOneFile(*item, target);
            // Not when the file was kept (No) or passed over (a link).
            wrote = result == status::kSuccess && extractor.Counts().extracted > before;
            if (view && wrote) ViewFile(QString::fromStdString(extractor.LastWrittenPath()));
        } else if (!view) {
            result = extractor.ExtractDirectory(*item, target);
            wrote = result == status::kSuccess;
        }
        if (wrote && written != nullptr) written->push_back(extractor.OutputPathOf(*item, target));
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
            QString::asprintf(Format(str::kCannotView).constData(), static_cast<int>(result.code()),
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
            QString::asprintf(Format(str::kCannotLaunch).constData(), native.constData()));
    return false;
}

// --- Copy and drag ---------------------------------------------------------------------------

Status ExtractionUi::RenderFileList(QList<QUrl>& urls) {
    urls.clear();
    // The paths the walk wrote: a long name may have been shortened on the way.
    std::vector<std::string> written;
    LC_TRY(ExtractSelection(false, false, &written));
    for (const std::string& path : written)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    return status::kSuccess;
}

void ExtractionUi::OnCopy() {
    const ViewHost* host = Host();
    if (host == nullptr || !host->AllowsCopy()) return;
    const WaitCursor wait;
    QList<QUrl> urls;
    if (RenderFileList(urls) != status::kSuccess) return;
    QApplication::clipboard()->setMimeData(new FileDataSource(urls));
}

void ExtractionUi::BeginDrag() {
    const ViewHost* host = Host();
    if (host == nullptr || !host->AllowsDragDrop()) return;
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
    m_statusText = QString::asprintf("%s %s", LoadString(str::kExtract).c_str(), path.c_str());
    SetStatus(m_statusText);
    WorkPump::Tick();
}

void ExtractionUi::ReportFileError(const DirInfo& file, const std::string& folder, Status code) {
    Message(QMessageBox::Warning, QString::asprintf(Format(str::kCannotExtract).constData(),
                                                    Utf8(ToQString(file.name)).constData(),
                                                    folder.c_str(), static_cast<int>(code.code()),
                                                    Utf8(FormatSystemError(code)).constData()));
}

void ExtractionUi::ReportFolderError(const std::string& path, Status code) {
    const QString what =
        QString::asprintf(Format(str::kCannotCreateFolder).constData(), path.c_str());
    Message(QMessageBox::Warning,
            QString::asprintf("%s\n\n%s: %i\n%s", Utf8(what).constData(),
                              LoadString(str::kError).c_str(), static_cast<int>(code.code()),
                              Utf8(FormatSystemError(code)).constData()));
}

void ExtractionUi::OnProgress(uint64_t total, uint64_t remaining) {
    CLCFiles* volume = Volume();
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
    const QString text = QString::asprintf(Format(str::kProgress).constData(), percent);
    if (volume != nullptr) volume->SetStatusText(text.toStdU16String(), true);
    SetStatus(text);
    WorkPump::Tick(true);
}

}  // namespace lc
