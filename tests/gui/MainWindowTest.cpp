// The desktop application driven through its real main window on the offscreen platform:
// start-up, the open sequence with its dialogs, the folder tree, the file list and the commands.
#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "GuiSandbox.h"
#include "ModalScript.h"
#include "app/CLCReaderApp.h"
#include "app/CMainFrame.h"
#include "app/CPasswordDlg.h"
#include "app/RetryDelayDialog.h"
#include "fs/DirInfo.h"
#include "platform/Locale.h"
#include "resources/MenuTemplate.h"
#include "support/TempFolders.h"
#include "views/CLCReaderView.h"
#include "views/CLeftView.h"

using lc::test::GuiSandbox;
using lc::test::ModalScript;
namespace fs = std::filesystem;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Menu captions without the accelerator text.
QStringList Captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible()) continue;
        out.append(a->text().section(u'\t', 0, 0));
    }
    return out;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> m_sandbox;
    fs::path m_scratch;
    std::unique_ptr<lc::CLCReaderApp> m_app;

    QString Vol(const char* name) const { return m_sandbox->Volumes() + u'/' + S(name); }
    lc::CMainFrame* Frame() const { return m_app->m_pMainFrame; }
    lc::CLCReaderView* List() const { return Frame()->GetFileListView(); }
    lc::CLeftView* Tree() const { return Frame()->GetFolderTreeView(); }

    void Start(const QStringList& extra = {}) {
        m_app = std::make_unique<lc::CLCReaderApp>();
        QVERIFY(m_app->InitInstance(QStringList{QStringLiteral("lcportable")} + extra));
    }
    bool Open(const char* volume, const QString& password = QStringLiteral("secret")) {
        ModalScript script;
        script.Password(password);
        return m_app->OpenDocumentFile(Vol(volume)) != nullptr;
    }
    QStringList Rows() const {
        QStringList names;
        for (int r = 0; r < List()->Model()->rowCount(); ++r) {
            names.append(QString::fromStdU16String(List()->RecordAt(r)->name));
        }
        return names;
    }
    int RowOf(const QString& name) const { return Rows().indexOf(name); }
    QString Cell(const QString& name, int column) const {
        return List()->Model()->index(RowOf(name), column).data().toString();
    }
    void SelectRows(const QList<int>& rows) {
        auto* selection = List()->SelectionModel();
        selection->clearSelection();
        for (int r : rows) {
            selection->select(List()->Model()->index(r, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QStringList TopMenus() const { return Captions(Frame()->menuBar()->actions()); }
    QMenu* TopMenu(int i) const { return Frame()->menuBar()->actions().at(i)->menu(); }

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<GuiSandbox>("lcgui");
        m_scratch = m_sandbox->Root();
        m_sandbox->Isolate();
        qputenv("LCPORTABLE_TEST_DELAY_SCALE", "0.01");
        QVERIFY(m_sandbox->MakeVolumes(LC_GUI_VOLUME_SCRIPT));
        lc::CLCReaderView::ResetSortFlags();
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void init() {
        fs::remove_all(m_scratch / "config" / "Kelmora");
        fs::remove_all(m_scratch / "runtime" / "Kelmora");  // wrong-password records
        fs::remove(m_scratch / "cwd" / "LCPortable.ini");
        lc::CLCReaderView::ResetSortFlags();
    }
    void cleanup() {
        if (m_app) m_app->ExitInstance(0);
        m_app.reset();
    }

    void startsEmptyWithTitleAndSize() {
        if (lc::UserLanguage() != lc::Language::English) QSKIP("English run only");
        Start();
        QCOMPARE(Frame()->windowTitle(), S("Fortalice® Lockchamber Portable"));
        QCOMPARE(Frame()->size(), QSize(697, 500));
        QCOMPARE(Tree()->topLevelItemCount(), 0);
        QCOMPARE(List()->Model()->rowCount(), 0);
        QVERIFY(!Frame()->Action(lc::command::kSelectAll)->isEnabled());
        QVERIFY(Frame()->RecentFilePlaceholder()->isVisible());
        QVERIFY(!Frame()->RecentFilePlaceholder()->isEnabled());
        QCOMPARE(Frame()->Action(lc::command::kOpen)->statusTip(), S("Opens a volume file."));
        // The banner stands above the list only, reaching to its right edge.
        QWidget* list = List();
        const QPoint listTopLeft = list->mapTo(Frame(), QPoint(0, 0));
        const QPoint treeTopLeft = Tree()->mapTo(Frame(), QPoint(0, 0));
        QCOMPARE(listTopLeft.y() - treeTopLeft.y(), Frame()->GetBannerSize().height());
        QCOMPARE(Frame()->GetBannerSize(), QSize(482, 98));
    }

    void menuIsTrimmed_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("edit");
        QTest::addColumn<unsigned>("dragDrop");
        const QStringList withoutCopy{S("&Extract"), S("&View"), S("Select &All")};
        QTest::newRow("no file") << QByteArray() << withoutCopy << 0u;
        QTest::newRow("copy 0") << QByteArray("[Options]\nAllowCopy=0\n") << withoutCopy << 0u;
        QTest::newRow("copy 1") << QByteArray("[options]\nallowcopy=1\nAllowDrag&Drop=7\n")
                                << (QStringList{S("&Copy")} + withoutCopy) << 7u;
        QTest::newRow("copy 12abc") << QByteArray("[Options]\nAllowCopy=12abc\n")
                                    << (QStringList{S("&Copy")} + withoutCopy) << 0u;
        QTest::newRow("other section") << QByteArray("[Other]\nAllowCopy=1\n") << withoutCopy << 0u;
    }
    void menuIsTrimmed() {
        if (lc::UserLanguage() != lc::Language::English) QSKIP("English run only");
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, edit);
        QFETCH(unsigned, dragDrop);
        if (!ini.isEmpty()) {
            std::ofstream(m_scratch / "cwd" / "LCPortable.ini") << ini.toStdString();
        }
        Start();
        QCOMPARE(TopMenus(), (QStringList{S("&File"), S("&Edit"), S("&View"), S("&Help")}));
        QCOMPARE(Captions(TopMenu(0)->actions()),
                 (QStringList{S("&Open..."), S("Recent File"), S("E&xit")}));
        QCOMPARE(Captions(TopMenu(1)->actions()), edit);
        QCOMPARE(
            Captions(TopMenu(2)->actions()),
            (QStringList{S("Status &Bar"), S("Til&es"), S("Ico&ns"), S("&List"), S("&Details")}));
        QCOMPARE(Frame()->m_nAllowDragDrop, dragDrop);
        QCOMPARE(Frame()->m_nAllowCopy != 0, edit.first() == S("&Copy"));
    }

    void opensFromCommandLine() {
        bool windowShownFirst = false;
        ModalScript script;
        script.Then(ModalScript::Kind::Password, [&](QWidget* w) {
            windowShownFirst = w->parentWidget() != nullptr && w->parentWidget()->isVisible();
            static_cast<lc::CPasswordDlg*>(w)->Edit()->setText(QStringLiteral("secret"));
            static_cast<lc::CPasswordDlg*>(w)->accept();
        });
        Start({Vol("gui.vol")});
        QVERIFY(windowShownFirst);
        QVERIFY(m_app->m_pVolume != nullptr);
        QCOMPARE(Frame()->windowTitle(),
                 S("Fortalice® Lockchamber Portable [") + Vol("gui.vol") + u']');
        QCOMPARE(m_app->RecentFiles(), QStringList{Vol("gui.vol")});
        // The tree: one top item, subfolders sorted, all present without expanding.
        QCOMPARE(Tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* top = Tree()->topLevelItem(0);
        QCOMPARE(top->text(0), S("GUITEST"));
        QCOMPARE(Tree()->currentItem(), top);
        QStringList children;
        for (int i = 0; i < top->childCount(); ++i) children.append(top->child(i)->text(0));
        QCOMPARE(children, (QStringList{S("Alpha"), S("mid"), S("zeta")}));
        QCOMPARE(top->child(0)->childCount(), 1);
        QCOMPARE(top->child(0)->child(0)->text(0), S("inner"));
        QCOMPARE(lc::CLeftView::RecordOf(top->child(0))->treeItem, top->child(0));
        // Pictures: the volume in both states; folders closed, open while selected.
        auto picture = [](QTreeWidgetItem* item, QIcon::Mode mode) {
            return item->icon(0).pixmap(QSize(16, 16), mode).toImage();
        };
        const lc::ImageList* images = Tree()->Images();
        const QImage open = images->Icon(Tree()->OpenFolderImage()).pixmap(QSize(16, 16)).toImage();
        const QImage closed =
            images->Icon(Tree()->ClosedFolderImage()).pixmap(QSize(16, 16)).toImage();
        QCOMPARE(picture(top, QIcon::Selected), picture(top, QIcon::Normal));
        QCOMPARE(picture(top->child(0), QIcon::Normal), closed);
        QCOMPARE(picture(top->child(0), QIcon::Selected), open);
        QVERIFY(open != closed);
    }

    void listRowsAndTexts() {
        Start();
        QVERIFY(Open("gui.vol"));
        // Folders in stored order, then files in stored order.
        QCOMPARE(Rows(), (QStringList{S("zeta"), S("Alpha"), S("mid"), S("new.txt"), S("old.txt"),
                                      S("bad.bin"), S("big.bin"), S("kilo1.bin"), S("kilo.bin"),
                                      S("one.bin"), S("empty.bin")}));
        QCOMPARE(Cell(S("empty.bin"), 1), S("0 KB"));
        QCOMPARE(Cell(S("one.bin"), 1), S("1 KB"));
        QCOMPARE(Cell(S("kilo.bin"), 1), S("1 KB"));
        QCOMPARE(Cell(S("kilo1.bin"), 1), S("2 KB"));
        QCOMPARE(Cell(S("big.bin"), 1), S("4.194.304 KB"));
        QCOMPARE(Cell(S("zeta"), 1), QString());
        QCOMPARE(Cell(S("bad.bin"), 2), S("Invalid DateTime"));
        QVERIFY(Cell(S("new.txt"), 2).contains(S("2010")));
        QVERIFY(Cell(S("new.txt"), 2).contains(S("04:06")));
        QCOMPARE(List()->Model()->index(0, 0).data(lc::FileListModel::kImageRole).toInt(),
                 List()->FolderImage());
        // Pictures of the file types: .txt has the desktop's, .bin (no type of its own) the
        // generic file picture; both .txt rows share one index, valid in both lists.
        auto image = [this](const char* name) {
            return List()
                ->Model()
                ->index(RowOf(S(name)), 0)
                .data(lc::FileListModel::kImageRole)
                .toInt();
        };
        QVERIFY(image("new.txt") > 3);
        QCOMPARE(image("old.txt"), image("new.txt"));
        QVERIFY(!List()->LargeImages()->Icon(image("new.txt")).isNull());
        QVERIFY(!Tree()->Images()->Icon(image("new.txt")).isNull());
        QCOMPARE(image("one.bin"), List()->FileImage());
        // Columns: widths and alignments.
        QHeaderView* header = List()->ReportView()->header();
        QCOMPARE(header->sectionSize(1), 60);
        QCOMPARE(header->sectionSize(2), 120);
        QCOMPARE(List()->Model()->index(3, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
        QCOMPARE(List()->Model()->index(3, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
    }

    void sortOrders_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("name once")
            << 0 << 1 << QStringList{S("Alpha"),   S("mid"),       S("zeta"),     S("bad.bin"),
                                     S("big.bin"), S("empty.bin"), S("kilo.bin"), S("kilo1.bin"),
                                     S("new.txt"), S("old.txt"),   S("one.bin")};
        QTest::newRow("name twice")
            << 0 << 2 << QStringList{S("one.bin"),  S("old.txt"),   S("new.txt"), S("kilo1.bin"),
                                     S("kilo.bin"), S("empty.bin"), S("big.bin"), S("bad.bin"),
                                     S("zeta"),     S("mid"),       S("Alpha")};
        QTest::newRow("size once")
            << 1 << 1 << QStringList{S("zeta"),     S("Alpha"),     S("mid"),     S("empty.bin"),
                                     S("bad.bin"),  S("one.bin"),   S("new.txt"), S("old.txt"),
                                     S("kilo.bin"), S("kilo1.bin"), S("big.bin")};
        QTest::newRow("size twice")
            << 1 << 2 << QStringList{S("big.bin"), S("kilo1.bin"), S("kilo.bin"), S("new.txt"),
                                     S("old.txt"), S("bad.bin"),   S("one.bin"),  S("zeta"),
                                     S("Alpha"),   S("mid"),       S("empty.bin")};
        QTest::newRow("date once")
            << 2 << 1 << QStringList{S("zeta"),     S("Alpha"),   S("mid"),      S("old.txt"),
                                     S("bad.bin"),  S("new.txt"), S("big.bin"),  S("kilo1.bin"),
                                     S("kilo.bin"), S("one.bin"), S("empty.bin")};
    }
    void sortOrders() {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        Start();
        QVERIFY(Open("gui.vol"));
        for (int i = 0; i < clicks; ++i) {
            QHeaderView* header = List()->ReportView()->header();
            const int x = header->sectionViewportPosition(column) + 5;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
        }
        QCOMPARE(Rows(), order);
        QCOMPARE(lc::CLCReaderView::SortFlag(column), clicks % 2 == 1);
        // Another folder keeps the flags; a click on another column starts it ascending.
        List()->OnColumnClick((column + 1) % 3);
        QVERIFY(lc::CLCReaderView::SortFlag((column + 1) % 3));
        QVERIFY(!lc::CLCReaderView::SortFlag(column));
    }

    void commandStatesFollowSelection() {
        Start();
        QVERIFY(Open("gui.vol"));
        auto enabled = [this](uint32_t id) { return Frame()->Action(id)->isEnabled(); };
        QVERIFY(!enabled(lc::command::kCopy));
        QVERIFY(!enabled(lc::command::kExtract));
        QVERIFY(!enabled(lc::command::kView));
        QVERIFY(enabled(lc::command::kSelectAll));
        std::unique_ptr<QMenu> menu(List()->CreateContextMenu());
        const bool german = lc::UserLanguage() == lc::Language::German;
        const QString extract = german ? S("&Extrahieren") : S("&Extract");
        const QString view = german ? S("&Anzeigen") : S("&View");
        QCOMPARE(Captions(menu->actions()), QStringList{extract});
        QVERIFY(!menu->actions().at(0)->isEnabled());

        SelectRows({RowOf(S("Alpha"))});
        QVERIFY(enabled(lc::command::kExtract));
        QVERIFY(enabled(lc::command::kCopy));
        QVERIFY(!enabled(lc::command::kView));
        SelectRows({RowOf(S("one.bin")), RowOf(S("Alpha"))});
        QVERIFY(!enabled(lc::command::kView));  // the first selected row is the folder

        SelectRows({RowOf(S("one.bin"))});
        QVERIFY(enabled(lc::command::kView));
        menu.reset(List()->CreateContextMenu());
        QCOMPARE(Captions(menu->actions()), (QStringList{extract, view}));

        Frame()->OnCommand(lc::command::kSelectAll);
        QCOMPARE(List()->SelectedRows().size(), List()->Model()->rowCount());

        // View styles are radio items; Details is the start.
        QVERIFY(Frame()->Action(lc::command::kViewDetails)->isChecked());
        Frame()->Action(lc::command::kViewLargeIcons)->trigger();
        QCOMPARE(List()->GetStyle(), lc::ExpListView::Style::LargeIcon);
        QVERIFY(Frame()->Action(lc::command::kViewLargeIcons)->isChecked());
        QVERIFY(!Frame()->Action(lc::command::kViewDetails)->isChecked());
        Frame()->Action(lc::command::kViewList)->trigger();
        QCOMPARE(List()->GetStyle(), lc::ExpListView::Style::List);
        QCOMPARE(List()->SelectedRows().size(), List()->Model()->rowCount());
        Frame()->Action(lc::command::kViewDetails)->trigger();
        QCOMPARE(List()->GetStyle(), lc::ExpListView::Style::Report);

        // The status bar and its check mark go together.
        Frame()->Action(lc::command::kStatusBar)->trigger();
        QVERIFY(!Frame()->statusBar()->isVisible());
        QVERIFY(!Frame()->Action(lc::command::kStatusBar)->isChecked());
        Frame()->Action(lc::command::kStatusBar)->trigger();
        QVERIFY(Frame()->statusBar()->isVisible());
        QVERIFY(Frame()->Action(lc::command::kStatusBar)->isChecked());
    }

    void doubleClickAndEnterOnFolder() {
        Start();
        QVERIFY(Open("gui.vol"));
        SelectRows({RowOf(S("Alpha"))});
        List()->OpenSelectedItem();
        QCOMPARE(Tree()->currentItem()->text(0), S("Alpha"));
        QCOMPARE(Rows(), QStringList{S("inner")});
        List()->SelectionModel()->setCurrentIndex(
            List()->Model()->index(0, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(List()->ReportView(), Qt::Key_Return);
        QCOMPARE(Tree()->currentItem()->text(0), S("inner"));
        QCOMPARE(Rows(), QStringList{S("deep.txt")});
    }

    void keysAndPrompts() {
        Start();
        QVERIFY(Open("gui.vol"));
        QTreeView* report = List()->ReportView();
        report->setFocus();
        // Ctrl+C with "AllowCopy" 0 copies nothing, not even the view's own cell text.
        QGuiApplication::clipboard()->setText(S("before"));
        SelectRows({RowOf(S("one.bin"))});
        List()->SelectionModel()->setCurrentIndex(List()->Model()->index(RowOf(S("one.bin")), 0),
                                                  QItemSelectionModel::NoUpdate);
        QTest::keyClick(report, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), S("before"));
        // Enter with two rows selected opens nothing.
        SelectRows({RowOf(S("Alpha")), RowOf(S("mid"))});
        QTest::keyClick(report, Qt::Key_Return);
        QCOMPARE(Tree()->currentItem(), Tree()->topLevelItem(0));
        // Ctrl+A is Select All.
        QTest::keyClick(report, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(List()->SelectedRows().size(), List()->Model()->rowCount());
        // A menu item's prompt shows in the status bar; closing the menu clears the pane.
        Frame()->SetStatusText(S("earlier text"));
        QMenu* edit = TopMenu(1);
        edit->popup(QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        Frame()->Action(lc::command::kExtract)->showStatusText(Frame());
        QCOMPARE(Frame()->StatusText(), lc::UserLanguage() == lc::Language::German
                                            ? S("Extrahiert die markierten Elemente.")
                                            : S("Extracts the selected items."));
        edit->hide();
        QCOMPARE(Frame()->StatusText(), QString());
    }

    void wrongPasswordShowsCountdownAndAsksAgain() {
        Start();
        ModalScript script;
        script.Password(S("wrong"))
            .RetryDelay()
            .Password(S("wrong"))
            .RetryDelay()
            .Password(S("secret"));
        QVERIFY(m_app->OpenDocumentFile(Vol("gui.vol")) != nullptr);
        QCOMPARE(script.Seen(), (QStringList{S("password"), S("delay"), S("password"), S("delay"),
                                             S("password")}));
        // 2 s, then 5 s, shortened by the test scale of 0.01.
        QCOMPARE(script.DelayTotals(), (std::vector<int>{20, 50}));
        QCOMPARE(Tree()->topLevelItem(0)->text(0), S("GUITEST"));
    }

    void countdownCannotBeCutShort() {
        Start();
        bool survived = false;
        Qt::WindowFlags flags;
        int maximum = 0;
        QString text;
        ModalScript script;
        script.Password(S("wrong"))
            .Then(ModalScript::Kind::RetryDelay,
                  [&](QWidget* w) {
                      auto* dialog = static_cast<lc::RetryDelayDialog*>(w);
                      flags = dialog->windowFlags();
                      maximum = dialog->Progress()->maximum();
                      text = dialog->findChild<QLabel*>()->text();
                      dialog->reject();
                      dialog->close();
                      QTest::keyClick(dialog, Qt::Key_Escape);
                      survived = dialog->isVisible();
                  })
            .CancelPassword();
        QVERIFY(m_app->OpenDocumentFile(Vol("second.vol")) == nullptr);
        QCOMPARE(script.Seen(), (QStringList{S("password"), S("delay"), S("password")}));
        QVERIFY(survived);
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QCOMPARE(maximum, 20);  // 2 s for the first wrong password, scaled by 0.01
        QCOMPARE(text, lc::UserLanguage() == lc::Language::German
                           ? S("Falsches Passwort. Der nächste Versuch wird verzögert...")
                           : S("Wrong password. Next attempt is delayed..."));
    }

    void cancelChangesNothing() {
        Start();
        QVERIFY(Open("gui.vol"));
        const lc::CLCFiles* before = m_app->m_pVolume.get();
        const QString title = Frame()->windowTitle();
        ModalScript script;
        script.CancelPassword();
        QVERIFY(m_app->OpenDocumentFile(Vol("second.vol")) == nullptr);
        QCOMPARE(script.Seen(), QStringList{S("password")});
        QCOMPARE(m_app->m_pVolume.get(), before);
        QCOMPARE(Frame()->windowTitle(), title);
        QCOMPARE(Tree()->topLevelItem(0)->text(0), S("GUITEST"));
        QCOMPARE(m_app->RecentFiles(), QStringList{Vol("gui.vol")});
    }

    void failuresAreReportedWithoutPrompt_data() {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("text");
        const QStringList message{S("message")};
        QTest::newRow("missing") << S("missing.vol") << QString() << message
                                 << S("The segment is locked and cannot be reallocated. (212)");
        QTest::newRow("key ring") << S("keyring.vol") << QString() << message
                                  << S("Keyring is not supported in this version of Fortalice® "
                                       "portable reader.");
        QTest::newRow("not FAT") << S("notfat.vol") << S("secret")
                                 << QStringList{S("password"), S("message")}
                                 << S("Unsupported file system (must be FAT).");
    }
    void failuresAreReportedWithoutPrompt() {
        if (lc::UserLanguage() != lc::Language::English) QSKIP("English run only");
        QFETCH(QString, volume);
        QFETCH(QString, password);
        QFETCH(QStringList, seen);
        QFETCH(QString, text);
        Start();
        QVERIFY(Open("gui.vol"));
        const lc::CLCFiles* before = m_app->m_pVolume.get();
        ModalScript script;
        if (!password.isEmpty()) script.Password(password);
        script.Message();
        QVERIFY(m_app->OpenDocumentFile(m_sandbox->Volumes() + u'/' + volume) == nullptr);
        QCOMPARE(script.Seen(), seen);
        QCOMPARE(script.Texts().value(0).section(u' ', 0, -1), text);
        QCOMPARE(m_app->m_pVolume.get(), before);
    }

    void failedRecentEntryLeavesList() {
        Start();
        QVERIFY(Open("second.vol"));
        QVERIFY(Open("gui.vol"));
        QCOMPARE(m_app->RecentFiles(), (QStringList{Vol("gui.vol"), Vol("second.vol")}));
        QVERIFY(!Frame()->RecentFilePlaceholder()->isVisible());
        QVERIFY(Frame()->Action(lc::command::kRecentFile1 + 1)->isVisible());
        {
            ModalScript script;
            script.CancelPassword();
            Frame()->Action(lc::command::kRecentFile1 + 1)->trigger();
            QCOMPARE(script.Seen(), QStringList{S("password")});
        }
        QCOMPARE(m_app->RecentFiles(), QStringList{Vol("gui.vol")});
        QVERIFY(!Frame()->Action(lc::command::kRecentFile1 + 1)->isVisible());
        // The list survives a restart through the settings store.
        cleanup();
        Start();
        QCOMPARE(m_app->RecentFiles(), QStringList{Vol("gui.vol")});
    }

    void secondVolumeReplacesFirst() {
        Start();
        QVERIFY(Open("gui.vol"));
        const lc::CLCFiles* first = m_app->m_pVolume.get();
        QVERIFY(Open("second.vol"));
        QVERIFY(m_app->m_pVolume.get() != first);
        QCOMPARE(Tree()->topLevelItemCount(), 1);
        QCOMPARE(Tree()->topLevelItem(0)->text(0), S("SECOND"));
        QCOMPARE(Tree()->currentItem(), Tree()->topLevelItem(0));
        QCOMPARE(Rows(), QStringList{S("second.txt")});
        QCOMPARE(Frame()->windowTitle(),
                 S("Fortalice® Lockchamber Portable [") + Vol("second.vol") + u']');
        QCOMPARE(m_app->RecentFiles(), (QStringList{Vol("second.vol"), Vol("gui.vol")}));
    }

    void temporaryFoldersAreCleaned() {
        // A copy in a volume's temporary folder, as viewing leaves it.
        auto leaveCopy = [](const char16_t* volumeName) {
            std::string folder;
            if (lc::GetVolumeTempFolder(volumeName, folder, true) != 0) return std::string();
            std::ofstream(folder + "copy.txt") << "plain";
            return folder;
        };
        const std::string guiFolder = leaveCopy(u"GuiTest");
        QVERIFY(fs::exists(guiFolder + "copy.txt"));
        Start();
        QVERIFY(Open("gui.vol"));  // leftovers of an earlier run go
        QVERIFY(!fs::exists(guiFolder));
        leaveCopy(u"GuiTest");
        QVERIFY(Open("second.vol"));  // another label: the old volume's copies go
        QVERIFY(!fs::exists(guiFolder));
        const std::string secondFolder = leaveCopy(u"Second");
        QVERIFY(fs::exists(secondFolder + "copy.txt"));
        m_app->ExitInstance(0);  // exit: the current volume's copies go
        QVERIFY(!fs::exists(secondFolder));
    }

    void openThroughFileDialog() {
        Start();
        QCOMPARE(m_app->m_bOpenDirChosen, 0);
        ModalScript script;
        script.Choose(Vol("second.vol")).Password(S("secret"));
        Frame()->Action(lc::command::kOpen)->trigger();
        QCOMPARE(script.Seen(), (QStringList{S("file"), S("password")}));
        QCOMPARE(m_app->m_bOpenDirChosen, 1);
        QCOMPARE(Tree()->topLevelItem(0)->text(0), S("SECOND"));
    }

    void emptyLabelAndGermanTexts() {
        Start();
        const bool german = lc::UserLanguage() == lc::Language::German;
        const QStringList fileMenu = Captions(TopMenu(0)->actions());
        QVERIFY(Open("nolabel.vol"));
        QCOMPARE(Tree()->topLevelItem(0)->text(0),
                 german ? S("Wechseldatenträger") : S("Removable Disk"));
        if (!german) return;
        QCOMPARE(TopMenus(),
                 (QStringList{S("&Datei"), S("&Bearbeiten"), S("&Ansicht"), S("&Hilfe")}));
        QCOMPARE(fileMenu, (QStringList{S("Ö&ffnen..."), S("Zuletzt verwendet"), S("&Beenden")}));
        QCOMPARE(TopMenu(0)->actions().at(0)->text(), S("Ö&ffnen...\tStrg+O"));
        QCOMPARE(Captions(TopMenu(1)->actions()),
                 (QStringList{S("&Extrahieren"), S("&Anzeigen"), S("Alles &markieren")}));
        QStringList headings;
        for (int c = 0; c < 3; ++c)
            headings.append(
                List()->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        QCOMPARE(headings, (QStringList{S("Name"), S("Größe"), S("Geändert am")}));
        lc::CPasswordDlg dialog(Frame());
        QCOMPARE(dialog.windowTitle(), S("Lockchamber Passwort"));
        ModalScript script;
        script.Message();
        m_app->OpenDocumentFile(Vol("keyring.vol"));
        QVERIFY(script.Texts().value(0).startsWith(S("Keyring wird in dieser Version")));
    }

    void passwordDialogLimitsAndMasks() {
        Start();
        lc::CPasswordDlg dialog(Frame());
        QCOMPARE(dialog.Edit()->echoMode(), QLineEdit::Password);
        QTest::keyClicks(dialog.Edit(), QString(70, u'x'));
        QCOMPARE(dialog.Edit()->text().size(), 64);
        dialog.accept();
        QCOMPARE(dialog.GetPassword().size(), 64u);
        QVERIFY(dialog.Edit()->text().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
