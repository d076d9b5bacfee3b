// Extract, View, Copy and dragging through the real main window on the offscreen platform, on
// volumes made by make-gui2-volumes.sh: the files and folders written, the dialogs and their
// answers, the messages, the status bar, the clipboard and the drag data.
#include <sys/stat.h>

#include <QClipboard>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "GuiSandbox.h"
#include "ModalScript.h"
#include "app/CLCReaderApp.h"
#include "app/CMainFrame.h"
#include "fs/DirInfo.h"
#include "resources/MenuTemplate.h"
#include "support/TempFolders.h"
#include "views/CAboutDlg.h"
#include "views/CLCReaderView.h"
#include "views/CLeftView.h"
#include "views/ConfirmFileReplaceDlg.h"
#include "views/ExtractionUi.h"
#include "views/FileDataSource.h"

using lc::test::GuiSandbox;
using lc::test::ModalScript;
namespace fs = std::filesystem;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

int64_t ModifiedTime(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_mtime;
}

int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc())
        .toSecsSinceEpoch();
}

bool OwnerMayWrite(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

constexpr uint32_t kYes = lc::ConfirmFileReplaceDlg::kYes;
constexpr uint32_t kYesToAll = 223;
constexpr uint32_t kNo = 225;
constexpr uint32_t kCancel = lc::ConfirmFileReplaceDlg::kCancel;

}  // namespace

class ExtractionTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> m_sandbox;
    fs::path m_scratch;
    std::unique_ptr<lc::CLCReaderApp> m_app;
    QStringList m_status;

    lc::CMainFrame* Frame() const { return m_app->m_pMainFrame; }
    lc::CLCReaderView* List() const { return Frame()->GetFileListView(); }
    fs::path Target(const char* name) const { return m_scratch / "out" / name; }

    void Start(const std::string& ini = {}) {
        if (!ini.empty()) WriteText(m_scratch / "cwd" / "LCPortable.ini", ini);
        m_app = std::make_unique<lc::CLCReaderApp>();
        QVERIFY(m_app->InitInstance(QStringList{QStringLiteral("lcportable")}));
        connect(Frame()->statusBar(), &QStatusBar::messageChanged, this,
                [this](const QString& text) { m_status.append(text); });
    }
    bool Open(const char* volume) {
        ModalScript script;
        script.Password(QStringLiteral("secret"));
        return m_app->OpenDocumentFile(m_sandbox->Volumes() + u'/' + S(volume)) != nullptr;
    }
    void Command(uint32_t id) { Frame()->OnCommand(id); }
    // Shows the folder at a '/'-separated path below the root.
    void Show(const QString& folder) {
        lc::DirInfo* dir = m_app->m_pVolume->Root();
        for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
            lc::DirInfo* child = dir->firstChild;
            while (child != nullptr && QString::fromStdU16String(child->name) != part)
                child = child->nextSibling;
            QVERIFY2(child != nullptr, qPrintable(part));
            dir = child;
        }
        Frame()->GetFolderTreeView()->SelectItem(dir->treeItem);
    }
    void Select(const QStringList& names) {
        auto* selection = List()->SelectionModel();
        selection->clearSelection();
        for (int r = 0; r < List()->Model()->rowCount(); ++r) {
            if (names.contains(QString::fromStdU16String(List()->RecordAt(r)->name))) {
                selection->select(List()->Model()->index(r, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
        QCOMPARE(List()->SelectedRows().size(), names.size());
    }
    int RowOf(const QString& name) const {
        for (int r = 0; r < List()->Model()->rowCount(); ++r) {
            if (QString::fromStdU16String(List()->RecordAt(r)->name) == name) return r;
        }
        return -1;
    }
    fs::path TempFolder(const char16_t* volumeName) const {
        std::string folder;
        if (lc::GetVolumeTempFolder(volumeName, folder, false) != 0) return {};
        return folder;
    }
    QStringList Opened() const { return m_sandbox->Opened(); }

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<GuiSandbox>("lcgui2");
        m_scratch = m_sandbox->Root();
        m_sandbox->Isolate();
        m_sandbox->InstallOpener();
        QVERIFY(m_sandbox->MakeVolumes(LC_GUI2_VOLUME_SCRIPT, {LC_NTFS_FIXTURES}));
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void init() {
        fs::remove(m_scratch / "cwd" / "LCPortable.ini");
        fs::remove_all(m_scratch / "out");
        fs::create_directories(m_scratch / "out");
        m_sandbox->ResetOpener();
        m_status.clear();
    }
    void cleanup() {
        if (m_app) {
            m_app->ExitInstance(0);
            m_app.reset();
        }
    }

    void extractsFolderTreeWithTimesFilesFirst() {
        Start();
        QVERIFY(Open("extract.vol"));
        Select({S("docs"), S("top.txt")});
        ModalScript answers;
        answers.Choose(QString::fromStdString(Target("tree").string())).Message();
        fs::create_directories(Target("tree"));
        Command(lc::command::kExtract);
        QCOMPARE(answers.Seen(), (QStringList{S("file"), S("message")}));
        QCOMPARE(answers.Texts(), QStringList{S("Files successfully extracted.")});
        QCOMPARE(answers.Icons().at(0), QMessageBox::Information);
        QCOMPARE(answers.Captions().at(1), S("Fortalice® Lockchamber Portable"));

        const fs::path t = Target("tree");
        QCOMPARE(ReadText(t / "top.txt"), std::string("top level\n"));
        QCOMPARE(ReadText(t / "docs" / "a.txt"), std::string("alpha\n"));
        QCOMPARE(ReadText(t / "docs" / "b.txt"), std::string("bravo\n"));
        QCOMPARE(ReadText(t / "docs" / "sub" / "c.txt"), std::string("charlie\n"));
        QCOMPARE(ReadText(t / "docs" / "sub" / "e.txt"), std::string("echo\n"));
        QCOMPARE(ReadText(t / "docs" / "sub" / "deeper" / "d.txt"), std::string("delta\n"));
        QCOMPARE(ModifiedTime(t / "top.txt"), Utc(2011, 3, 4, 5, 6, 8));
        QCOMPARE(ModifiedTime(t / "docs" / "a.txt"), Utc(2012, 7, 8, 9, 10, 12));
        QCOMPARE(ModifiedTime(t / "docs" / "sub" / "deeper" / "d.txt"),
                 Utc(2014, 11, 12, 13, 14, 16));
        QVERIFY(!fs::exists(t / "large.bin"));

        // Each folder's files before its subfolders, in the rows' order; the bar cleared after.
        QStringList walk;
        for (const QString& line : m_status) {
            // A file's line comes back after its progress line.
            const QString item = line.mid(8).remove(QString::fromStdString(t.string()));
            if (line.startsWith(S("Extract ")) && (walk.isEmpty() || walk.last() != item))
                walk.append(item);
        }
        // (The reader chains a folder's files last stored first.)
        QCOMPARE(walk,
                 (QStringList{S("/docs"), S("/docs/b.txt"), S("/docs/a.txt"), S("/docs/sub"),
                              S("/docs/sub/e.txt"), S("/docs/sub/c.txt"), S("/docs/sub/deeper"),
                              S("/docs/sub/deeper/d.txt"), S("/top.txt")}));
        QCOMPARE(Frame()->StatusText(), QString());
    }

    void progressIsShownDuringACopyAndCleared() {
        Start();
        QVERIFY(Open("extract.vol"));
        Select({S("large.bin"), S("top.txt")});
        ModalScript answers;
        const fs::path t = Target("progress");
        fs::create_directories(t);
        answers.Choose(QString::fromStdString(t.string())).Message();
        Command(lc::command::kExtract);
        QCOMPARE(answers.Seen(), (QStringList{S("file"), S("message")}));
        QCOMPARE(fs::file_size(t / "large.bin"), uintmax_t(307200));

        const QRegularExpression progress(S("^Extracting\\.\\.\\. \\((\\d\\d)%\\)$"));
        // The progress lines of large.bin's copy.
        QList<int> percents;
        bool large = false;
        for (const QString& line : m_status) {
            if (line.startsWith(S("Extract "))) large = line.endsWith(S("/large.bin"));
            const auto match = progress.match(line);
            if (large && match.hasMatch()) percents.append(match.captured(1).toInt());
        }
        // Ten pieces: a line at the start and after each piece but the last.
        QVERIFY2(percents.size() >= 10, qPrintable(m_status.join(u'|')));
        QCOMPARE(percents.first(), 0);
        QVERIFY2(percents.last() >= 80, qPrintable(m_status.join(u'|')));
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(m_status.last(), QString());
        // After the copy the walk's line comes back until the next item.
        const qsizetype lastProgress = m_status.lastIndexOf(progress);
        QVERIFY(m_status.at(lastProgress + 1).startsWith(S("Extract ")));
    }

    void replaceAnswers_data() {
        QTest::addColumn<QList<uint32_t>>("buttons");
        QTest::addColumn<int>("questions");
        // The rows are b.txt, then a.txt: the first answer is about b.txt.
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("a");
        QTest::addColumn<bool>("success");
        QTest::newRow("yes, yes") << QList<uint32_t>{kYes, kYes} << 2 << S("bravo\n")
                                  << S("alpha\n") << true;
        QTest::newRow("yes to all")
            << QList<uint32_t>{kYesToAll} << 1 << S("bravo\n") << S("alpha\n") << true;
        QTest::newRow("no, yes") << QList<uint32_t>{kNo, kYes} << 2 << S("old b") << S("alpha\n")
                                 << true;
        QTest::newRow("no, no") << QList<uint32_t>{kNo, kNo} << 2 << S("old b") << S("old a")
                                << true;
        QTest::newRow("cancel") << QList<uint32_t>{kCancel} << 1 << S("old b") << S("old a")
                                << false;
    }
    void replaceAnswers() {
        QFETCH(QList<uint32_t>, buttons);
        QFETCH(int, questions);
        QFETCH(QString, b);
        QFETCH(QString, a);
        QFETCH(bool, success);
        Start();
        QVERIFY(Open("extract.vol"));
        Show(S("docs"));
        Select({S("a.txt"), S("b.txt")});
        const fs::path t = Target("replace");
        WriteText(t / "a.txt", "old a");
        WriteText(t / "b.txt", "old b");
        {
            ModalScript answers;
            answers.Choose(QString::fromStdString(t.string()));
            for (uint32_t button : buttons) answers.Replace(button);
            if (success) answers.Message();
            Command(lc::command::kExtract);
            QStringList expected{S("file")};
            for (int i = 0; i < questions; ++i) expected.append(S("replace"));
            if (success) expected.append(S("message"));
            QCOMPARE(answers.Seen(), expected);
            QCOMPARE(answers.Texts().at(0), S("This folder already contains a file named '") +
                                                QString::fromStdString((t / "b.txt").string()) +
                                                S("'."));
            QCOMPARE(answers.Captions().at(1), S("Confirm File Replace"));
        }
        QCOMPARE(QString::fromStdString(ReadText(t / "a.txt")), a);
        QCOMPARE(QString::fromStdString(ReadText(t / "b.txt")), b);
        // The next operation asks again, whatever the last one was told.
        ModalScript again;
        again.Choose(QString::fromStdString(t.string())).Replace(kCancel);
        Command(lc::command::kExtract);
        QCOMPARE(again.Seen(), (QStringList{S("file"), S("replace")}));
    }

    void cancellingThePickerWritesNothing() {
        Start();
        QVERIFY(Open("extract.vol"));
        Select({S("docs"), S("top.txt")});
        ModalScript answers;
        answers.CancelFile();
        Command(lc::command::kExtract);
        QCOMPARE(answers.Seen(), QStringList{S("file")});
        QVERIFY(fs::is_empty(m_scratch / "out"));
    }

    void failureDuringCopyLeavesNoFile() {
        Start();
        QVERIFY(Open("extract.vol"));
        // broken.bin's chain ends long before its size: the copy fails half-way.
        Select({S("top.txt"), S("broken.bin"), S("docs")});
        const fs::path t = Target("broken");
        fs::create_directories(t);
        {
            ModalScript answers;
            answers.Choose(QString::fromStdString(t.string())).Message();
            Command(lc::command::kExtract);
            QCOMPARE(answers.Seen(), (QStringList{S("file"), S("message")}));
            const QString text = answers.Texts().at(0);
            QVERIFY2(text.startsWith(S("Unable to extract file broken.bin to ") +
                                     QString::fromStdString(t.string())),
                     qPrintable(text));
            QVERIFY2(text.contains(S("!\n\nError: 1392\n")), qPrintable(text));
            QCOMPARE(answers.Icons().at(0), QMessageBox::Warning);
        }
        QVERIFY(!fs::exists(t / "broken.bin"));
        // Rows: docs, broken.bin, top.txt. The first failure ends the operation.
        QCOMPARE(ReadText(t / "docs" / "a.txt"), std::string("alpha\n"));
        QVERIFY(!fs::exists(t / "top.txt"));

        // The same through the save dialog.
        Select({S("broken.bin")});
        ModalScript save;
        save.Choose(QString::fromStdString((t / "saved.bin").string())).Message();
        Command(lc::command::kExtract);
        QCOMPARE(save.Seen(), (QStringList{S("file"), S("message")}));
        QVERIFY(save.Texts().at(0).startsWith(S("Unable to extract file broken.bin to ")));
        QVERIFY(!fs::exists(t / "saved.bin"));
    }

    void oneFileThroughTheSaveDialog() {
        Start();
        QVERIFY(Open("extract.vol"));
        Show(S("docs/sub"));
        Select({S("e.txt")});
        const fs::path path = Target("echo.txt");
        ModalScript answers;
        answers.Choose(QString::fromStdString(path.string())).Message();
        Command(lc::command::kExtract);
        QCOMPARE(answers.Seen(), (QStringList{S("file"), S("message")}));
        QCOMPARE(answers.Captions().at(0), S("Save File As..."));
        QCOMPARE(answers.Texts().at(0),
                 S("File successfully extracted: ") + QString::fromStdString(path.string()));
        QCOMPARE(ReadText(path), std::string("echo\n"));
        QCOMPARE(ModifiedTime(path), Utc(2013, 1, 2, 3, 4, 6));
    }

    void viewOpensReadOnlyCopiesAndReplacesThem() {
        Start();
        QVERIFY(Open("extract.vol"));
        Show(S("docs"));
        Select({S("a.txt"), S("b.txt")});
        const fs::path folder = TempFolder(u"Extract Test") / "docs";
        {
            ModalScript answers;
            Command(lc::command::kView);
            QCOMPARE(answers.Seen(), QStringList());
        }
        QTRY_COMPARE(Opened(), (QStringList{QString::fromStdString((folder / "b.txt").string()),
                                            QString::fromStdString((folder / "a.txt").string())}));
        QCOMPARE(ReadText(folder / "a.txt"), std::string("alpha\n"));
        QVERIFY(!OwnerMayWrite(folder / "a.txt"));
        QVERIFY(!OwnerMayWrite(folder / "b.txt"));

        // Viewing again replaces the read-only copy without a question.
        Select({S("a.txt")});
        {
            ModalScript answers;
            Command(lc::command::kView);
            QCOMPARE(answers.Seen(), QStringList());
        }
        QTRY_COMPARE(Opened().size(), 3);

        // An extraction into that folder replaces the read-only copies too.
        Select({S("a.txt"), S("b.txt")});
        {
            ModalScript answers;
            answers.Choose(QString::fromStdString(folder.string())).Replace(kYesToAll).Message();
            Command(lc::command::kExtract);
            QCOMPARE(answers.Seen(), (QStringList{S("file"), S("replace"), S("message")}));
        }
        QVERIFY(OwnerMayWrite(folder / "a.txt"));
        QCOMPARE(ReadText(folder / "b.txt"), std::string("bravo\n"));
        QCOMPARE(Opened().size(), 3);
    }

    void viewOfAFolderOpensNothing() {
        Start();
        QVERIFY(Open("extract.vol"));
        Select({S("docs")});
        ModalScript answers;
        Command(lc::command::kView);
        QCOMPARE(answers.Seen(), QStringList());
        QVERIFY(Opened().isEmpty());
        QVERIFY(!fs::exists(TempFolder(u"Extract Test") / "docs"));
    }

    void launchFailureNamesTheCopy() {
        Start();
        QVERIFY(Open("extract.vol"));
        m_sandbox->SetOpenerExit(3);
        Select({S("top.txt")});
        ModalScript answers;
        answers.Message();
        Command(lc::command::kView);
        const fs::path copy = TempFolder(u"Extract Test") / "top.txt";
        QCOMPARE(answers.Seen(), QStringList{S("message")});
        QCOMPARE(answers.Texts().at(0),
                 S("Could not lauch the extracted file:\n") +
                     QString::fromStdString(copy.string()) +
                     S(".\n\nPlease verify that the applicatation needed to open the file is "
                       "installed."));
        QCOMPARE(answers.Icons().at(0), QMessageBox::Warning);
        // The copy stays for the clean-up.
        QVERIFY(fs::exists(copy));
    }

    void unsupportedFilesQuestion_data() {
        QTest::addColumn<bool>("skip");
        QTest::newRow("yes skips") << true;
        QTest::newRow("no aborts") << false;
    }
    void unsupportedFilesQuestion() {
        QFETCH(bool, skip);
        Start();
        QVERIFY(Open("ntfs.vol"));
        // The compressed file lies inside the selected folder.
        Select({S("compressed"), S("hello.txt")});
        const fs::path t = Target("ntfs");
        fs::create_directories(t);
        ModalScript answers;
        answers.Answer(skip ? QMessageBox::Yes : QMessageBox::No);
        if (skip) answers.Choose(QString::fromStdString(t.string())).Message();
        Command(lc::command::kExtract);
        QCOMPARE(answers.Texts().at(0),
                 S("Extraction of compressed files are not supported. YES=skip unsupported "
                   "files, NO=abort extract?\")"));
        QCOMPARE(answers.Icons().at(0), QMessageBox::Critical);
        if (skip) {
            QCOMPARE(answers.Seen(), (QStringList{S("question"), S("file"), S("message")}));
            QCOMPARE(ReadText(t / "hello.txt"), std::string("Hello, NTFS!\n"));
            QVERIFY(fs::is_directory(t / "compressed"));
            QVERIFY(!fs::exists(t / "compressed" / "packed.txt"));
        } else {
            QCOMPARE(answers.Seen(), QStringList{S("question")});
            QVERIFY(fs::is_empty(t));
        }
    }

    void unsupportedFileAloneIsRefused() {
        Start();
        QVERIFY(Open("ntfs.vol"));
        Show(S("compressed"));
        Select({S("packed.txt")});
        {
            ModalScript answers;
            answers.Message();
            Command(lc::command::kExtract);
            QCOMPARE(answers.Seen(), QStringList{S("message")});
            QCOMPARE(answers.Texts().at(0), S("Extraction of compressed files are not supported"));
            QCOMPARE(answers.Icons().at(0), QMessageBox::Critical);
        }
        // Viewing asks the question; No ends the view with 50 and its failure box.
        ModalScript answers;
        answers.Answer(QMessageBox::No).Message();
        Command(lc::command::kView);
        QCOMPARE(answers.Seen(), (QStringList{S("question"), S("message")}));
        QVERIFY2(answers.Texts().at(1).startsWith(
                     S("Unable to extract the selected file for viewing!\n\nError: 50\n")),
                 qPrintable(answers.Texts().at(1)));
        QVERIFY(Opened().isEmpty());
    }

    void copyFollowsItsSwitch_data() {
        QTest::addColumn<int>("allow");
        QTest::newRow("AllowCopy=0") << 0;
        QTest::newRow("AllowCopy=1") << 1;
    }
    void copyFollowsItsSwitch() {
        QFETCH(int, allow);
        Start("[Options]\nAllowCopy=" + std::to_string(allow) + "\n");
        QVERIFY(Open("extract.vol"));
        Show(S("docs/sub"));
        Select({S("e.txt"), S("c.txt")});
        QApplication::clipboard()->setText(S("sentinel"));
        Command(lc::command::kCopy);
        const fs::path folder = TempFolder(u"Extract Test") / "docs" / "sub";
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (allow == 0) {
            QCOMPARE(data->text(), S("sentinel"));
            QVERIFY(!fs::exists(folder));
            return;
        }
        // Row order, both copies present.
        QList<QUrl> expected;
        for (int row : List()->SelectedRows()) {
            expected.append(QUrl::fromLocalFile(
                QString::fromStdString((folder / List()->RecordAt(row)->name).string())));
        }
        QCOMPARE(expected.size(), 2);
        QCOMPARE(data->urls(), expected);
        QCOMPARE(data->data(S("x-special/gnome-copied-files")),
                 QByteArray("copy\n") + expected[0].toEncoded() + '\n' + expected[1].toEncoded());
        QCOMPARE(ReadText(folder / "c.txt"), std::string("charlie\n"));
        QCOMPARE(ReadText(folder / "e.txt"), std::string("echo\n"));

        // A folder is one path, its whole subtree on disk.
        Select({S("deeper")});
        Command(lc::command::kCopy);
        QCOMPARE(
            QApplication::clipboard()->mimeData()->urls(),
            QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString((folder / "deeper").string()))});
        QCOMPARE(ReadText(folder / "deeper" / "d.txt"), std::string("delta\n"));
    }

    void dragDataIsRenderedWhenAsked() {
        Start("[Options]\nAllowDrag&Drop=1\n");
        QVERIFY(Open("extract.vol"));
        Show(S("docs"));
        Select({S("b.txt"), S("a.txt")});
        const fs::path folder = TempFolder(u"Extract Test") / "docs";
        std::unique_ptr<lc::FileDataSource> data(new lc::FileDataSource(List()->Extraction()));
        QVERIFY(data->hasFormat(S("text/uri-list")));
        QCOMPARE(data->formats(),
                 (QStringList{S("text/uri-list"), S("x-special/gnome-copied-files")}));
        QVERIFY(!data->IsRendered());
        QVERIFY(!fs::exists(folder));
        const QList<QUrl> urls = data->urls();
        QVERIFY(data->IsRendered());
        // Row order: b.txt is the first row.
        QCOMPARE(urls,
                 (QList<QUrl>{
                     QUrl::fromLocalFile(QString::fromStdString((folder / "b.txt").string())),
                     QUrl::fromLocalFile(QString::fromStdString((folder / "a.txt").string()))}));
        QCOMPARE(ReadText(folder / "a.txt"), std::string("alpha\n"));
        // Asked again, the data is not extracted a second time.
        fs::remove(folder / "a.txt");
        QCOMPARE(data->urls(), urls);
        QVERIFY(!fs::exists(folder / "a.txt"));
    }

    void doubleClickAndEnterViewAFile() {
        Start();
        QVERIFY(Open("extract.vol"));
        Show(S("docs"));
        const fs::path folder = TempFolder(u"Extract Test") / "docs";
        QTreeView* view = List()->ReportView();
        const QRect rect = view->visualRect(List()->Model()->index(RowOf(S("a.txt")), 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_COMPARE(Opened(), QStringList{QString::fromStdString((folder / "a.txt").string())});
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(Opened().size(), 2);
        // Enter with two rows selected does nothing.
        Select({S("a.txt"), S("b.txt")});
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(Opened().size(), 2);
    }

    void draggingFollowsItsSwitch_data() {
        QTest::addColumn<int>("allow");
        QTest::newRow("AllowDrag&Drop=0") << 0;
        QTest::newRow("AllowDrag&Drop=1") << 1;
    }
    void draggingFollowsItsSwitch() {
        QFETCH(int, allow);
        Start("[Options]\nAllowDrag&Drop=" + std::to_string(allow) + "\n");
        QVERIFY(Open("extract.vol"));
        Show(S("docs"));
        Select({S("a.txt"), S("b.txt")});
        QTreeView* view = List()->ReportView();
        const QPoint start =
            view->visualRect(List()->Model()->index(RowOf(S("a.txt")), 0)).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 40)),
                         QPointF(view->viewport()->mapToGlobal(start + QPoint(0, 40))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        // The offscreen platform ends a drag at once, with no target asking for the data.
        auto* drag = List()->findChild<QDrag*>();
        const fs::path folder = TempFolder(u"Extract Test") / "docs";
        if (allow == 0) {
            QVERIFY(drag == nullptr);
        } else {
            QVERIFY(drag != nullptr);
            auto* data = qobject_cast<lc::FileDataSource*>(drag->mimeData());
            QVERIFY(data != nullptr);
            QVERIFY(!data->IsRendered());
            // Pressing on the selection did not narrow it.
            QCOMPARE(List()->SelectedRows().size(), 2);
        }
        QVERIFY(!fs::exists(folder));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, start + QPoint(0, 40));
    }

    void aboutBoxFromTheHelpMenu() {
        Start();
        QString version;
        ModalScript answers;
        answers.Then(ModalScript::Kind::Any, [&version](QWidget* w) {
            version = static_cast<lc::CAboutDlg*>(w)->Control(214)->text();
            static_cast<QDialog*>(w)->reject();
        });
        Frame()->OnCommand(lc::command::kAbout);
        QCOMPARE(answers.Seen(), QStringList{S("about")});
        QCOMPARE(version, S("Version 2.30.1.3"));
    }
};

QTEST_MAIN(ExtractionTest)
#include "ExtractionTest.moc"
