// Getting files out of the file list: Extract (into a picked folder, or one file through a save
// dialog), View (into the volume's temporary folder, then opened), Copy and dragging (into the
// temporary folder, offered as a file list). The walk itself is the core's Extractor and the
// look ahead is the core's (extract/WalkOrder.h); this class holds the commands, asks the
// questions, shows the progress and reports the failures.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <string>
#include <vector>

#include "extract/ExtractHooks.h"
#include "platform/Status.h"
#include "volume/CLCFiles.h"

namespace lc {

class CLCReaderView;
class ViewHost;

class ExtractionUi : public QObject, public ExtractHooks, public ProgressListener {
    Q_OBJECT
public:
    // The volume is the one open at the moment of a command, reached through the list's host.
    explicit ExtractionUi(CLCReaderView* list, QObject* parent = nullptr);

    // The commands.
    void OnExtract();
    void OnView();
    void OnCopy();

    // Extracts the selected rows in row order: into a folder the user picks (userFolder), else
    // into the temporary folder of the rows' folder, opening each file when view is set. 0,
    // 1223 when the user cancelled, 50 when the user refused the unsupported files, else the
    // first failure (already reported, except creating the temporary folder).
    // written, when given, receives where each selected item went.
    Status ExtractSelection(bool view, bool userFolder,
                            std::vector<std::string>* written = nullptr);
    // One file through the save dialog; outPath gets the chosen path.
    Status SaveFileAs(QString& outPath);
    // The folder picker; empty when cancelled.
    QString BrowseForTarget();
    // Marks the copy read-only and opens it; a failure is reported.
    bool ViewFile(const QString& path);
    // Extracts the selection into the temporary folder and gives the paths of the rows, in row
    // order (unsupported files, which are never written, are left out).
    Status RenderFileList(QList<QUrl>& urls);
    // The temporary folder of a record's folder in the open volume (support/RecordTempFolder.h).
    Status TemporaryFolderOf(const DirInfo& record, std::string& folder, bool create);
    // Starts dragging the selection, when the settings allow it: the copies are made first,
    // then the drag hands out their finished list.
    void BeginDrag();

    // The system's message text for a code up to its first line break, or string 32784.
    static QString FormatSystemError(Status code);

    // ExtractHooks
    ReplaceAnswer ConfirmReplace(const std::string& path) override;
    void ShowExtractStatus(const std::string& path) override;
    void ReportFileError(const DirInfo& file, const std::string& folder, Status code) override;
    void ReportFolderError(const std::string& path, Status code) override;
    // ProgressListener
    void OnProgress(uint64_t total, uint64_t remaining) override;

private:
    ViewHost* Host() const;
    CLCFiles* Volume() const;
    QWidget* Owner() const;
    std::vector<const DirInfo*> SelectedRecords() const;
    // The question about unsupported files among the items (and below them when descend); 0
    // or 50.
    Status AskAboutUnsupported(const std::vector<const DirInfo*>& items, bool descend);
    void SetStatus(const QString& text);
    void Message(int icon, const QString& text);

    CLCReaderView* m_list;  // not owned: the owner of this object
    QString m_statusText;
    int m_lastPercent = -1;
};

}  // namespace lc
