// Extract, View, Copy and dragging through the real main window (offscreen), on the volumes of
// make-gui-extract-volumes.sh; file-type pictures; the about box.
#include <QClipboard>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "GuiSandbox.h"
#include "WindowDriver.h"
#include "resources/MenuTemplate.h"
#include "support/TempFolders.h"
#include "views/CAboutDlg.h"
#include "views/ConfirmFileReplaceDlg.h"
#include "views/ImageList.h"
#include "views/LCPImageList.h"

using lc::test::L;
using lc::test::ModalScript;
using lc::test::Q;
using lc::test::ReadText;
using lc::test::S;
namespace fs = std::filesystem;
namespace cmd = lc::command;

namespace {

bool Writable(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

constexpr uint32_t kYes = lc::ConfirmFileReplaceDlg::kYes;
constexpr uint32_t kYesToAll = 223;
constexpr uint32_t kNo = 225;
constexpr uint32_t kCancel = lc::ConfirmFileReplaceDlg::kCancel;

}  // namespace

class ExtractionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<lc::test::GuiSandbox> m_sandbox;
    std::unique_ptr<lc::test::WindowDriver> m_w;
    fs::path m_out;
    QStringList m_status;

    lc::CLCReaderView* List() const { return m_w->List(); }
    void Command(uint32_t id) { m_w->Frame()->OnCommand(id); }
    // Opens the volume unless it is null.
    void Start(const char* volume = "extract.vol") {
        m_w = std::make_unique<lc::test::WindowDriver>();
        QVERIFY(m_w->Start());
        connect(m_w->Frame()->statusBar(), &QStatusBar::messageChanged, this,
                [this](const QString& text) { m_status.append(text); });
        if (volume == nullptr) return;
        QVERIFY(m_w->Open(m_sandbox->Volume(S(volume))));
        // ntfs-3g cannot make an encrypted file: packed.txt stands for one.
        if (S(volume) == u"ntfs.vol") MarkEncrypted(m_w->app->m_pVolume->Root());
    }
    static void MarkEncrypted(lc::DirInfo* folder) {
        for (lc::DirInfo* f = folder->firstFile; f; f = f->nextFile)
            if (f->name == u"packed.txt") f->attributes |= lc::kAttrEncrypted;
        for (lc::DirInfo* d = folder->firstChild; d; d = d->nextSibling) MarkEncrypted(d);
    }
    // Where viewing, copying and dragging put their copies.
    fs::path Copies(const char* volume = "Extract Test") const {
        std::string folder;
        lc::IgnoreStatus(
            lc::GetVolumeTempFolder(QString::fromUtf8(volume).toStdU16String(), folder, false),
            "only the path is wanted, whether or not the folder exists");
        return folder;
    }
    QPoint Centre(const char* name) const {
        const QModelIndex row = List()->Model()->index(m_w->RowOf(S(name)), 0);
        return List()->ReportView()->visualRect(row).center();
    }

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<lc::test::GuiSandbox>("lcguiextract");
        m_sandbox->InstallOpener();
        QVERIFY(m_sandbox->MakeVolumes(LC_GUI_EXTRACT_VOLUME_SCRIPT, {LC_NTFS_FIXTURES}));
        m_out = m_sandbox->Root() / "out";
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void init() {
        fs::remove(m_sandbox->Root() / "cwd" / "LCPortable.ini");
        fs::remove_all(m_out);
        fs::create_directories(m_out);
        m_sandbox->ResetOpener();
        m_status.clear();
    }
    void cleanup() { m_w.reset(); }

    void extractsFolderTreeFilesFirstWithProgress() {
        Start();
        QVERIFY(m_w->Select(L("docs, large.bin, top.txt")));
        {
            ModalScript cancel;
            cancel.Cancel(S("file"));
            Command(cmd::kExtract);
            QVERIFY(fs::is_empty(m_out));
        }
        ModalScript answers;
        answers.Choose(Q(m_out)).Message();
        Command(cmd::kExtract);
        QCOMPARE(answers.seen, L("file, message"));
        QCOMPARE(answers.texts, L("Files successfully extracted."));
        QCOMPARE(answers.icons.at(0), QMessageBox::Information);
        const char* files[][2] = {
            {"top.txt", "top level\n"},   {"docs/a.txt", "alpha\n"},
            {"docs/b.txt", "bravo\n"},    {"docs/sub/c.txt", "charlie\n"},
            {"docs/sub/e.txt", "echo\n"}, {"docs/sub/deeper/d.txt", "delta\n"}};
        for (const auto& [path, text] : files) QCOMPARE(ReadText(m_out / path), S(text));
        QCOMPARE(fs::file_size(m_out / "large.bin"), uintmax_t(307200));
        QVERIFY(!fs::exists(m_out / "frag"));
        QVERIFY(m_sandbox->Opened().isEmpty());  // extracting opens nothing

        // The walk in the status bar, and the progress of large.bin's copy.
        const QRegularExpression progress(S("^Extracting\\.\\.\\. \\((\\d\\d)%\\)$"));
        QStringList walk;
        QList<int> percents;
        for (const QString& line : m_status) {
            const QString item = line.mid(8).remove(Q(m_out));
            if (line.startsWith(S("Extract ")) && (walk.isEmpty() || walk.last() != item))
                walk.append(item);
            const auto match = progress.match(line);
            if (match.hasMatch() && walk.value(walk.size() - 1) == u"/large.bin")
                percents.append(match.captured(1).toInt());
        }
        // Each folder's files (in row order) before its subfolders.
        QCOMPARE(walk, L("/docs, /docs/b.txt, /docs/a.txt, /docs/sub, /docs/sub/e.txt, "
                         "/docs/sub/c.txt, /docs/sub/deeper, /docs/sub/deeper/d.txt, /large.bin, "
                         "/top.txt"));
        // Ten pieces: a line at the start and after each piece but the last.
        QVERIFY2(percents.size() >= 10 && percents.first() == 0 && percents.last() >= 80,
                 qPrintable(m_status.join(u'|')));
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QVERIFY(m_status.at(m_status.lastIndexOf(progress) + 1).startsWith(S("Extract ")));
        QCOMPARE(m_status.last(), QString());
    }

    void eventsRunWhileWorkingWithTheCursorAsideUnderDialogs() {
        Start();
        std::ofstream(m_out / "top.txt") << "old\n";
        QVERIFY(m_w->Select(L("top.txt, large.bin")));
        // Counted while a copy runs and no dialog is up: event-loop turns, wait cursors.
        auto working = [this] {
            return m_w->Frame()->StatusText().startsWith(S("Extract")) &&
                   QApplication::activeModalWidget() == nullptr;
        };
        int ticks = 0, waiting = 0;
        QTimer timer;
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (!working()) return;
            if (++ticks == 2) {
                m_w->Frame()->close();  // held back until the work is over
                QVERIFY(m_w->Frame()->isVisible());
            }
            const QCursor* cursor = QGuiApplication::overrideCursor();
            if (cursor != nullptr && cursor->shape() == Qt::WaitCursor) ++waiting;
        });
        timer.start();
        QApplication::setQuitOnLastWindowClosed(false);
        ModalScript answers;
        answers.Choose(Q(m_out)).Replace(kYes).Message();
        Command(cmd::kExtract);
        timer.stop();
        QTRY_VERIFY(!m_w->Frame()->isVisible());  // the close came after the work
        QApplication::setQuitOnLastWindowClosed(true);
        QCOMPARE(answers.seen, L("file, replace, message"));
        QCOMPARE(answers.waitCursors, (QList<bool>{false, false, false}));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(waiting, ticks);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QCOMPARE(fs::file_size(m_out / "large.bin"), uintmax_t(307200));
    }

    void replaceAnswers_data() {
        QTest::addColumn<QList<uint32_t>>("buttons");
        // The rows are b.txt, then a.txt: the first answer is about b.txt.
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("a");
        QTest::newRow("yes, yes") << QList<uint32_t>{kYes, kYes} << S("bravo\n") << S("alpha\n");
        QTest::newRow("yes to all") << QList<uint32_t>{kYesToAll} << S("bravo\n") << S("alpha\n");
        QTest::newRow("no, yes") << QList<uint32_t>{kNo, kYes} << S("old b") << S("alpha\n");
        QTest::newRow("cancel") << QList<uint32_t>{kCancel} << S("old b") << S("old a");
    }
    void replaceAnswers() {
        QFETCH(QList<uint32_t>, buttons);
        QFETCH(QString, b);
        QFETCH(QString, a);
        Start();
        QVERIFY(m_w->Show(S("docs")));
        QVERIFY(m_w->Select(L("a.txt, b.txt")));
        std::ofstream(m_out / "a.txt") << "old a";
        std::ofstream(m_out / "b.txt") << "old b";
        const bool success = buttons.first() != kCancel;
        {
            ModalScript answers;
            answers.Choose(Q(m_out));
            for (uint32_t button : buttons) answers.Replace(button);
            if (success) answers.Message();
            Command(cmd::kExtract);
            QCOMPARE(answers.seen, QStringList{S("file")} +
                                       QStringList(buttons.size(), S("replace")) +
                                       QStringList(success ? 1 : 0, S("message")));
            QCOMPARE(answers.texts.at(0), S("This folder already contains a file named '") +
                                              Q(m_out / "b.txt") + S("'."));
            QCOMPARE(answers.captions.at(1), S("Confirm File Replace"));
        }
        QCOMPARE(ReadText(m_out / "a.txt"), a);
        QCOMPARE(ReadText(m_out / "b.txt"), b);
        // The next operation asks again, whatever the last one was told.
        ModalScript again;
        again.Choose(Q(m_out)).Replace(kCancel);
        Command(cmd::kExtract);
        QCOMPARE(again.seen, L("file, replace"));
    }

    void failureDuringCopyLeavesNoFileAndSaveAs() {
        Start();
        // broken.bin's chain ends long before its size: the copy fails half-way.
        QVERIFY(m_w->Select(L("top.txt, broken.bin, docs")));
        auto answers = std::make_unique<ModalScript>();
        answers->Choose(Q(m_out)).Message();
        Command(cmd::kExtract);
        QCOMPARE(answers->seen, L("file, message"));
        const QString text = answers->texts.at(0);
        QVERIFY2(text.startsWith(S("Unable to extract file broken.bin to ") + Q(m_out)) &&
                     text.contains(S("!\n\nError: 1392\n")),
                 qPrintable(text));
        QCOMPARE(answers->icons.at(0), QMessageBox::Warning);
        // Rows: docs, broken.bin, top.txt. The first failure ends the operation.
        QCOMPARE(ReadText(m_out / "docs" / "a.txt"), S("alpha\n"));
        QVERIFY(!fs::exists(m_out / "top.txt"));
        answers.reset();
        // One file goes through the save dialog.
        QVERIFY(m_w->Show(S("sub")));
        QVERIFY(m_w->Select(L("e.txt")));
        const fs::path path = m_out / "echo.txt";
        ModalScript save;
        save.Choose(Q(path)).Message();
        Command(cmd::kExtract);
        QCOMPARE(save.seen, L("file, message"));
        QCOMPARE(save.captions.at(0), S("Save File As..."));
        QCOMPARE(save.texts.at(0), S("File successfully extracted: ") + Q(path));
        QCOMPARE(ReadText(path), S("echo\n"));
    }

    void viewOpensReadOnlyCopiesByCommandClickAndKey() {
        Start();
        QVERIFY(m_w->Show(S("docs")));
        QVERIFY(m_w->Select(L("a.txt, b.txt")));
        const fs::path folder = Copies() / "docs";
        {
            ModalScript answers;
            Command(cmd::kView);
            QCOMPARE(answers.seen, QStringList());
        }
        QTRY_COMPARE(m_sandbox->Opened(), (QStringList{Q(folder / "b.txt"), Q(folder / "a.txt")}));
        QCOMPARE(ReadText(folder / "a.txt"), S("alpha\n"));
        QVERIFY(!Writable(folder / "a.txt") && !Writable(folder / "b.txt"));
        // A double-click and Enter view a file.
        QTreeView* view = List()->ReportView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Centre("a.txt"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, Centre("a.txt"));
        QTRY_COMPARE(m_sandbox->Opened().value(2), Q(folder / "a.txt"));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(m_sandbox->Opened().size(), 4);
        // A failed launch names the copy, which is left for the clean-up.
        m_sandbox->SetOpenerExit(3);
        QVERIFY(m_w->Select(L("b.txt")));
        ModalScript failed;
        failed.Message();
        Command(cmd::kView);
        QCOMPARE(failed.seen, L("message"));
        QCOMPARE(failed.texts.at(0),
                 S("Could not lauch the extracted file:\n") + Q(folder / "b.txt") +
                     S(".\n\nPlease verify that the applicatation needed to open the file is "
                       "installed."));
        QCOMPARE(failed.icons.at(0), QMessageBox::Warning);
        QCOMPARE(m_sandbox->Opened().value(4), Q(folder / "b.txt"));
        QVERIFY(fs::exists(folder / "b.txt"));
    }

    void unsupportedFileOnNtfs() {
        Start("ntfs.vol");
        List()->OnColumnClick(0);
        List()->OnColumnClick(0);  // descending: files above folders, so View is enabled
        // The encrypted file lies inside the selected folder. No aborts, Yes skips.
        QVERIFY(m_w->Select(L("compressed, hello.txt")));
        for (bool skip : {false, true}) {
            ModalScript answers;
            answers.Answer(skip ? QMessageBox::Yes : QMessageBox::No);
            if (skip) answers.Choose(Q(m_out)).Message();
            Command(cmd::kExtract);
            QCOMPARE(answers.texts.at(0),
                     S("Extraction of encrypted files are not supported. YES=skip unsupported "
                       "files, NO=abort extract?\")"));
            QCOMPARE(answers.icons.at(0), QMessageBox::Critical);
            QCOMPARE(answers.seen, L(skip ? "question, file, message" : "question"));
            QCOMPARE(ReadText(m_out / "hello.txt"), skip ? S("Hello, NTFS!\n") : QString());
            QCOMPARE(fs::is_directory(m_out / "compressed"), skip);
        }
        QVERIFY(!fs::exists(m_out / "compressed" / "packed.txt"));
        // Viewing passes over the folder.
        {
            ModalScript answers;
            Command(cmd::kView);
            QVERIFY2(answers.seen.isEmpty(), qPrintable(answers.seen.join(u',')));
            QTRY_COMPARE(m_sandbox->Opened(), QStringList{Q(Copies("Ntfs Test") / "hello.txt")});
        }
        QVERIFY(m_w->Show(S("compressed")));
        QVERIFY(m_w->Select(L("packed.txt")));
        {
            ModalScript answers;
            answers.Message();
            Command(cmd::kExtract);
            QCOMPARE(answers.seen, L("message"));
            QCOMPARE(answers.texts.at(0), S("Extraction of encrypted files are not supported"));
        }
        // Viewing asks the question; No ends the view with 50 and its failure box.
        ModalScript answers;
        answers.Answer(QMessageBox::No).Message();
        Command(cmd::kView);
        QCOMPARE(answers.seen, L("question, message"));
        QVERIFY2(answers.texts.at(1).startsWith(
                     S("Unable to extract the selected file for viewing!\n\nError: 50\n")),
                 qPrintable(answers.texts.at(1)));
        QCOMPARE(m_sandbox->Opened().size(), 1);
    }

    void copyAndDragFollowTheirSwitches_data() {
        QTest::addColumn<int>("allow");
        QTest::newRow("off") << 0;
        QTest::newRow("on") << 1;
    }
    void copyAndDragFollowTheirSwitches() {
        QFETCH(int, allow);
        std::ofstream(m_sandbox->Root() / "cwd" / "LCPortable.ini")
            << "[Options]\nAllowCopy=" << allow << "\nAllowDrag&Drop=" << allow << '\n';
        Start();
        // The copies are complete at once, and named in row order.
        auto check = [&](const QMimeData* data, const fs::path& folder, const char* first,
                         const char* second) {
            const QList<QUrl> urls{QUrl::fromLocalFile(Q(folder / first)),
                                   QUrl::fromLocalFile(Q(folder / second))};
            QCOMPARE(data->urls(), urls);
            QCOMPARE(data->data(S("x-special/gnome-copied-files")),
                     "copy\n" + urls[0].toEncoded() + '\n' + urls[1].toEncoded());
        };
        // Dragging: the offscreen platform ends a drag at once, with no target asking for data.
        QVERIFY(m_w->Show(S("docs")));
        QVERIFY(m_w->Select(L("a.txt, b.txt")));
        QWidget* viewport = List()->ReportView()->viewport();
        const QPoint start = Centre("a.txt");
        const QPoint end = start + QPoint(0, 40);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(end), QPointF(viewport->mapToGlobal(end)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
        auto* drag = List()->findChild<QDrag*>();
        const fs::path docs = Copies() / "docs";
        QCOMPARE(drag != nullptr, allow == 1);
        if (drag != nullptr) {
            QCOMPARE(List()->SelectedRows().size(), 2);  // pressing on the selection kept it
            QCOMPARE(drag->mimeData()->formats(), L("text/uri-list, x-special/gnome-copied-files"));
            check(drag->mimeData(), docs, "b.txt", "a.txt");
            QCOMPARE(ReadText(docs / "a.txt"), S("alpha\n"));
            QCOMPARE(ReadText(docs / "b.txt"), S("bravo\n"));
        }
        QVERIFY(m_w->Show(S("sub")));
        QVERIFY(m_w->Select(L("e.txt, c.txt")));
        QApplication::clipboard()->setText(S("sentinel"));
        Command(cmd::kCopy);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QCOMPARE(fs::exists(docs), allow == 1);
        if (allow == 0) {
            QCOMPARE(data->text(), S("sentinel"));
            return;
        }
        check(data, docs / "sub", "e.txt", "c.txt");
        QCOMPARE(ReadText(docs / "sub" / "c.txt"), S("charlie\n"));
        QCOMPARE(ReadText(docs / "sub" / "e.txt"), S("echo\n"));
    }

    void copyHandsOverShortenedNames() {
        std::ofstream(m_sandbox->Root() / "cwd" / "LCPortable.ini") << "[Options]\nAllowCopy=1\n";
        Start("long.vol");
        QVERIFY(m_w->Select({QString(255, QChar(0x4E2D)), S("plain.txt")}));
        Command(cmd::kCopy);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QStringList texts;
        for (const QUrl& url : data->urls())
            texts.append(ReadText(url.toLocalFile().toStdString()));
        texts.sort();
        QCOMPARE(texts, L("cjk\n, short\n"));
    }

    void iconsPerExtension() {
        // The lists hold the file list's own four pictures.
        lc::ImageList small(16);
        lc::ImageList large(32);
        for (int i = 0; i < 4; ++i) {
            small.Add(QIcon(QPixmap(16, 16)));
            large.Add(QIcon(QPixmap(32, 32)));
        }
        lc::LCPImageList icons;
        icons.Initialize(&small, &large);
        QVERIFY2(!QIcon::themeName().isEmpty(), "no icon theme found");
        // The application picture right after them, for any case of ".exe".
        QCOMPARE(icons.IconFor(S("PROGRAM.EXE")), 4);
        QCOMPARE(small.Icon(4).pixmap(16, 16).toImage(),
                 QIcon::fromTheme(S("application-x-executable")).pixmap(16, 16).toImage());
        // No extension or an empty one, and a type the desktop does not know: 0, not remembered.
        for (const char* name : {"readme", "archive.", "data.zzqqxx", "more.zzqqxx"})
            QCOMPARE(icons.IconFor(S(name)), 0);
        // A known type: one picture of its own in both lists, reused by any case.
        for (const char* name : {"notes.txt", "Report.TXT"}) QCOMPARE(icons.IconFor(S(name)), 5);
        QCOMPARE(small.Count() + large.Count(), 12);
    }

    void aboutBox() {
        Start(nullptr);
        ModalScript answers;
        answers.Then(S("about"), [](QWidget* w) {
            auto* box = static_cast<lc::CAboutDlg*>(w);
            QCOMPARE(box->Control(214)->text(), S("Version 2.30.1.3"));
            QTest::mouseClick(box, Qt::LeftButton, {}, box->Control(213)->geometry().center());
        });
        Command(cmd::kAbout);
        QCOMPARE(answers.seen, L("about"));
        // A click on the link opens the address and closes the box.
        QTRY_COMPARE(m_sandbox->Opened(), QStringList{S("http://www.kelmora.example")});
    }
};

QTEST_MAIN(ExtractionTest)
#include "ExtractionTest.moc"
