// The desktop application through its real main window (offscreen), and hand-made list records.
#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <fstream>

#include "GuiSandbox.h"
#include "WindowDriver.h"
#include "app/CPasswordDlg.h"
#include "app/LCSplitter.h"
#include "app/RetryDelayDialog.h"
#include "app/WindowPlacement.h"
#include "platform/Locale.h"
#include "resources/MenuTemplate.h"
#include "support/TempFolders.h"
#include "views/CAboutDlg.h"

using lc::CLCReaderView;
using lc::test::L;
using lc::test::ModalScript;
using lc::test::S;
namespace fs = std::filesystem;
namespace cmd = lc::command;

namespace {

bool German() {
    return lc::UserLanguage() == lc::Language::German;
}

// Visible menu captions without the accelerator text.
QStringList Captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        if (!a->isSeparator() && a->isVisible()) out.append(a->text().section(u'\t', 0, 0));
    return out;
}

uint32_t Pack(int year, int month, int day, int hour = 0, int minute = 0, int twoSeconds = 0) {
    const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    return (date << 16) | static_cast<uint32_t>((hour << 11) | (minute << 5) | twoSeconds);
}

lc::DirInfo Record(const char16_t* name, char16_t kind = u'D', uint64_t size = 0,
                   uint32_t modified = 0, uint32_t attributes = 0) {
    lc::DirInfo r;
    std::tie(r.name, r.kind, r.size, r.modified, r.attributes) =
        std::tuple(name, kind, size, modified, attributes);
    return r;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<lc::test::GuiSandbox> m_sandbox;
    std::unique_ptr<lc::test::WindowDriver> m_w;

    QString Vol(const char* name) const { return m_sandbox->Volume(S(name)); }
    lc::CMainFrame* Frame() const { return m_w->Frame(); }
    CLCReaderView* List() const { return m_w->List(); }
    lc::CLeftView* Tree() const { return m_w->Tree(); }
    QMenu* TopMenu(int i) const { return Frame()->menuBar()->actions().at(i)->menu(); }
    QString Top() const { return Tree()->topLevelItem(0)->text(0); }
    bool Enabled(uint32_t id) const { return Frame()->Action(id)->isEnabled(); }
    QVariant Cell(const char* name, int column, int role = Qt::DisplayRole) const {
        return List()->Model()->index(m_w->RowOf(S(name)), column).data(role);
    }
    void Start(const QStringList& arguments = {}) {
        m_w = std::make_unique<lc::test::WindowDriver>();
        QVERIFY(m_w->Start(arguments));
    }
    bool Open(const char* volume) { return m_w->Open(Vol(volume)); }

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<lc::test::GuiSandbox>("lcgui");
        qputenv("LCPORTABLE_TEST_DELAY_SCALE", "0.01");
        QVERIFY(m_sandbox->MakeVolumes(LC_GUI_VOLUME_SCRIPT));
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void init() {
        for (const char* store : {"config/Kelmora", "runtime/Kelmora"})  // runtime: wrong passwords
            fs::remove_all(m_sandbox->Root() / store);
        fs::remove(m_sandbox->Root() / "cwd" / "LCPortable.ini");
        CLCReaderView::ResetSortFlags();
    }
    void cleanup() { m_w.reset(); }

    void startsEmptyWithTrimmedMenu_data() {
        QTest::addColumn<QByteArray>("ini");  // copying and dragging on with "=1" and "=7"
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("copy 1") << QByteArray("[Options]\nAllowCopy=1\nAllowDrag&Drop=7\n");
    }
    void startsEmptyWithTrimmedMenu() {
        if (German()) QSKIP("English run only");
        QFETCH(QByteArray, ini);
        const bool copy = ini.contains("AllowCopy=1");
        if (!ini.isEmpty())
            std::ofstream(m_sandbox->Root() / "cwd" / "LCPortable.ini") << ini.toStdString();
        Start();
        QCOMPARE(Frame()->windowTitle(), S("Fortalice® Lockchamber Portable"));
        QCOMPARE(Tree()->topLevelItemCount() + List()->Model()->rowCount(), 0);
        QVERIFY(!Enabled(cmd::kSelectAll));
        QVERIFY(!Frame()->RecentFilePlaceholder()->isEnabled());
        // The banner stands above the list only.
        QCOMPARE(List()->mapTo(Frame(), QPoint()).y() - Tree()->mapTo(Frame(), QPoint()).y(), 98);
        QCOMPARE(Captions(Frame()->menuBar()->actions()), L("&File, &Edit, &View, &Help"));
        QCOMPARE(Captions(TopMenu(0)->actions()), L("&Open..., Recent File, E&xit"));
        QCOMPARE(Captions(TopMenu(1)->actions()),
                 L(copy ? "&Copy, &Extract, &View, Select &All" : "&Extract, &View, Select &All"));
        QCOMPARE(Frame()->m_nAllowDragDrop, copy ? 7u : 0u);
    }

    void helpAndVersionWithoutAWindow() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("QT_QPA_PLATFORM"), S("xcb"));  // no display: a window would abort
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(S(name));
        for (const auto& [option, start] :
             {std::pair{"--help", S("Usage: lcportable [VOLUME]\n")},
              {"--version", S("lcportable ") + lc::CAboutDlg::kVersion + u'\n'}}) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.start(S(LC_PORTABLE), {S(option), Vol("gui.vol")});
            QVERIFY(program.waitForFinished(20000));
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
            const QString out = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(out.startsWith(start), qPrintable(out));
        }
    }

    void opensFromCommandLineWithRowsAndTexts() {
        ModalScript script;
        script.Then(S("password"), [](QWidget* w) {
            QVERIFY(w->parentWidget()->isVisible());  // the window comes first
            static_cast<lc::CPasswordDlg*>(w)->Edit()->setText(S("secret"));
            static_cast<lc::CPasswordDlg*>(w)->accept();
        });
        Start({Vol("gui.vol")});
        QCOMPARE(script.seen, L("password"));
        QCOMPARE(m_w->app->RecentFiles(), QStringList{Vol("gui.vol")});
        // One top item, subfolders sorted, all present without expanding.
        QCOMPARE(Tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* top = Tree()->topLevelItem(0);
        QCOMPARE(top->text(0), S("GUITEST"));
        QCOMPARE(Tree()->currentItem(), top);
        QStringList children;
        for (int i = 0; i < top->childCount(); ++i) children.append(top->child(i)->text(0));
        QCOMPARE(children, L("Alpha, mid, zeta"));
        QCOMPARE(top->child(0)->child(0)->text(0), S("inner"));
        // Pictures: the volume the same in both states; a folder open only while selected.
        auto picture = [](const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
            return icon.pixmap(QSize(16, 16), mode).toImage();
        };
        const QImage open = picture(Tree()->Images()->Icon(Tree()->OpenFolderImage()));
        QVERIFY(open != picture(top->child(0)->icon(0)));
        QCOMPARE(picture(top->child(0)->icon(0), QIcon::Selected), open);
        QCOMPARE(picture(top->icon(0), QIcon::Selected), picture(top->icon(0)));
        // Folders in stored order, then files in stored order.
        QCOMPARE(m_w->Rows(), L("zeta, Alpha, mid, new.txt, old.txt, bad.bin, big.bin, kilo1.bin, "
                                "kilo.bin, one.bin, empty.bin"));
        const char* sizes[][2] = {{"empty.bin", "0 KB"},       {"one.bin", "1 KB"},
                                  {"kilo.bin", "1 KB"},        {"kilo1.bin", "2 KB"},
                                  {"big.bin", "4.194.304 KB"}, {"zeta", ""}};
        for (const auto& [name, text] : sizes) QCOMPARE(Cell(name, 1).toString(), S(text));
        QCOMPARE(Cell("bad.bin", 2).toString(), S("Invalid DateTime"));
        // The time part carries seconds, in 2-second units on disk.
        QVERIFY(Cell("new.txt", 2).toString().contains(S("2010")) &&
                Cell("new.txt", 2).toString().contains(S("04:06")));
        QCOMPARE(CLCReaderView::SizeText(UINT64_MAX), S("18.014.398.509.481.984 KB"));
        // Pictures: .txt the desktop's; .bin (no type of its own) the generic.
        QVERIFY(Cell("new.txt", 0, lc::FileListModel::kImageRole).toInt() > 3);
        QCOMPARE(Cell("one.bin", 0, lc::FileListModel::kImageRole).toInt(), List()->FileImage());
        QCOMPARE(Cell("zeta", 0, lc::FileListModel::kImageRole).toInt(), List()->FolderImage());
    }

    void sortOrders_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        const QStringList byName =
            L("Alpha, mid, zeta, bad.bin, big.bin, empty.bin, kilo.bin, "
              "kilo1.bin, new.txt, old.txt, one.bin");
        QTest::newRow("name once") << 0 << 1 << byName;
        QTest::newRow("name twice") << 0 << 2 << QStringList(byName.rbegin(), byName.rend());
        QTest::newRow("size once") << 1 << 1
                                   << L("zeta, Alpha, mid, empty.bin, bad.bin, one.bin, new.txt, "
                                        "old.txt, kilo.bin, kilo1.bin, big.bin");
        QTest::newRow("size twice") << 1 << 2
                                    << L("big.bin, kilo1.bin, kilo.bin, new.txt, old.txt, "
                                         "bad.bin, one.bin, zeta, Alpha, mid, empty.bin");
        QTest::newRow("date once") << 2 << 1
                                   << L("zeta, Alpha, mid, old.txt, bad.bin, new.txt, big.bin, "
                                        "kilo1.bin, kilo.bin, one.bin, empty.bin");
    }
    void sortOrders() {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        Start();
        QVERIFY(Open("gui.vol"));
        QHeaderView* header = List()->ReportView()->header();
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        QCOMPARE(m_w->Rows(), order);
        QCOMPARE(CLCReaderView::SortFlag(column), clicks % 2 == 1);
        // A click on another column starts that one ascending.
        List()->OnColumnClick((column + 1) % 3);
        QVERIFY(CLCReaderView::SortFlag((column + 1) % 3));
        QVERIFY(!CLCReaderView::SortFlag(column));
    }

    void handMadeRecords() {
        // 29 February outside a leap year, hour 24, minute 60, 60 seconds (month 0: above).
        for (uint32_t invalid : {Pack(2011, 2, 29), Pack(2010, 1, 15, 24), Pack(2010, 1, 15, 1, 60),
                                 Pack(2010, 1, 15, 1, 2, 30)})
            QVERIFY2(CLCReaderView::DateText(invalid) == u"Invalid DateTime",
                     qPrintable(QString::number(invalid, 16)));
        QVERIFY(CLCReaderView::DateText(Pack(2012, 2, 29, 23, 59, 29)).contains(u"2012"));
        QVERIFY(!CLCReaderView::DateText(Pack(2012, 2, 29)).contains(u':'));  // midnight: no time
        const lc::DirInfo under = Record(u"_under", u'F', 10);
        const lc::DirInfo upper = Record(u"Apple", u'F', 10);
        const lc::DirInfo lower = Record(u"apple", u'F');
        QCOMPARE(CLCReaderView::CompareRecords(&upper, &lower, 0, true), 0);  // case folded
        QVERIFY(CLCReaderView::CompareRecords(&under, &upper, 0, true) < 0);  // '_' first
        Start();
        QAbstractItemModelTester tester(List()->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::deque<lc::DirInfo> records;
        lc::DirInfo& root = records.emplace_back(Record(u"root"));
        root.firstChild = &records.emplace_back(Record(u"sub"));
        lc::DirInfo** link = &root.firstFile;
        for (auto [name, attributes] :
             {std::pair{u"plain.txt", 0u}, {u"packed.txt", 0x800u}, {u"both.txt", 0x4800u}}) {
            *link = &records.emplace_back(Record(name, u'F', 5, 0, attributes));
            link = &(*link)->nextFile;
        }
        List()->ShowFolder(&root);
        const QString encrypted = German() ? S(" (nicht unterstützte verschlüsselte Datei)")
                                           : S(" (unsupported encrypted file)");
        QStringList texts;
        for (int r = 0; r < List()->Model()->rowCount(); ++r)
            texts.append(List()->Model()->index(r, 0).data().toString());
        // Compressed files are decoded: no marker.
        QCOMPARE(texts, (QStringList{S("sub"), S("plain.txt"), S("packed.txt"),
                                     S("both.txt") + encrypted}));
        // Sorting by name uses the record's name, not the text with markers.
        List()->OnColumnClick(0);
        QVERIFY(List()->RecordAt(1)->name == u"both.txt");

        // The size and date columns fit their widest texts.
        lc::DirInfo& wide = records.emplace_back(Record(u"wide"));
        link = &wide.firstFile;
        for (uint32_t modified : {Pack(2028, 12, 28, 23, 58, 29), Pack(2000, 8, 8, 8, 8, 4),
                                  Pack(2009, 10, 30, 20, 0, 0), Pack(2010, 4, 1, 12, 0, 0)}) {
            *link =
                &records.emplace_back(Record(u"widest.bin", u'F', 999'999'999ull << 10, modified));
            link = &(*link)->nextFile;
        }
        List()->ShowFolder(&wide);
        QTreeView* report = List()->ReportView();
        QAbstractItemView* view = report;  // the tree view's own hint, made public
        for (int column : {1, 2})
            QVERIFY2(report->header()->sectionSize(column) >= view->sizeHintForColumn(column),
                     qPrintable(QString::number(column)));
        List()->ShowFolder(nullptr);
    }

    void keysPromptsAndCommandStates() {
        Start();
        QVERIFY(Open("gui.vol"));
        QTreeView* report = List()->ReportView();
        report->setFocus();
        // Ctrl+C with "AllowCopy" 0 copies nothing, not even the view's own cell text.
        QGuiApplication::clipboard()->setText(S("before"));
        auto current = [this](int row) {
            List()->SelectionModel()->setCurrentIndex(
                List()->Model()->index(row, 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        };
        current(m_w->RowOf(S("one.bin")));
        QTest::keyClick(report, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), S("before"));
        // Enter opens one folder, as a double-click does.
        QVERIFY(m_w->Select({S("Alpha")}));
        List()->OpenSelectedItem();
        QCOMPARE(m_w->Rows(), QStringList{S("inner")});
        current(0);
        QTest::keyClick(report, Qt::Key_Return);
        QCOMPARE(Tree()->currentItem()->text(0), S("inner"));
        QCOMPARE(m_w->Rows(), QStringList{S("deep.txt")});
        // A menu item's prompt shows in the status bar; closing the menu clears the pane.
        Frame()->SetStatusText(S("earlier text"));
        TopMenu(1)->popup(QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(TopMenu(1)));
        Frame()->Action(cmd::kExtract)->showStatusText(Frame());
        QCOMPARE(Frame()->StatusText(), German() ? S("Extrahiert die markierten Elemente.")
                                                 : S("Extracts the selected items."));
        TopMenu(1)->hide();
        QCOMPARE(Frame()->StatusText(), QString());
        QVERIFY(m_w->Show(S("GUITEST")));  // commands follow the selection
        auto states = [this] {
            return QList<bool>{Enabled(cmd::kCopy), Enabled(cmd::kExtract), Enabled(cmd::kView)};
        };
        auto contextMenu = [this] {
            std::unique_ptr<QMenu> menu(List()->CreateContextMenu());
            return Captions(menu->actions()).join(u'|') +
                   (menu->actions().at(0)->isEnabled() ? "" : " off");
        };
        const QString extract = German() ? S("&Extrahieren") : S("&Extract");
        QCOMPARE(states(), (QList<bool>{false, false, false}));
        QCOMPARE(contextMenu(), extract + S(" off"));
        QVERIFY(m_w->Select({S("Alpha")}));
        QCOMPARE(states(), (QList<bool>{true, true, false}));
        QVERIFY(m_w->Select({S("one.bin"), S("Alpha")}));  // the first selected row is the folder
        QCOMPARE(states(), (QList<bool>{true, true, false}));
        // A sort that brings the file above the folder enables View at once, with its key.
        List()->OnColumnClick(0);
        List()->OnColumnClick(0);
        QCOMPARE(states(), (QList<bool>{true, true, true}));
        List()->OnColumnClick(0);
        QCOMPARE(states(), (QList<bool>{true, true, false}));
        QVERIFY(m_w->Select({S("one.bin")}));
        QCOMPARE(states(), (QList<bool>{true, true, true}));
        QCOMPARE(contextMenu(), extract + (German() ? S("|&Anzeigen") : S("|&View")));
        // View styles are radio items, Details at the start; the selection stays.
        Frame()->OnCommand(cmd::kSelectAll);
        Frame()->Action(cmd::kViewLargeIcons)->trigger();
        QCOMPARE(List()->GetStyle(), lc::ExpListView::Style::LargeIcon);
        Frame()->Action(cmd::kViewList)->trigger();
        QCOMPARE(List()->GetStyle(), lc::ExpListView::Style::List);
        QVERIFY(Frame()->Action(cmd::kViewList)->isChecked());
        QCOMPARE(List()->SelectedRows().size(), List()->Model()->rowCount());
    }

    void wrongPasswordShowsCountdownAndAsksAgain() {
        Start();
        ModalScript script;
        script.Password(S("wrong"))
            .Then(S("delay"),
                  [](QWidget* w) {
                      auto* dialog = static_cast<lc::RetryDelayDialog*>(w);
                      QCOMPARE(dialog->findChild<QLabel*>()->text(),
                               German()
                                   ? S("Falsches Passwort. Der nächste Versuch wird verzögert...")
                                   : S("Wrong password. Next attempt is delayed..."));
                      // No way to close it early.
                      dialog->reject();
                      dialog->close();
                      QTest::keyClick(dialog, Qt::Key_Escape);
                      QVERIFY(dialog->isVisible());
                  })
            .Password(S("wrong"))
            .Then(S("delay"))
            .Password(S("secret"));
        QVERIFY(m_w->app->OpenDocumentFile(Vol("gui.vol")) != nullptr);
        QCOMPARE(script.seen, L("password, delay, password, delay, password"));
        // 2 s, then 5 s, shortened by the test scale of 0.01.
        QCOMPARE(script.delayTotals, (std::vector<int>{20, 50}));
        QCOMPARE(Top(), S("GUITEST"));
    }

    void failedOpensChangeNothing_data() {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("password");  // "" none asked, "-" cancelled
        QTest::addColumn<QString>("text");      // of the message box; "" none
        QTest::newRow("cancel") << S("second.vol") << S("-") << QString();
        QTest::newRow("missing") << S("missing.vol") << QString()
                                 << S("The segment is locked and cannot be reallocated. (212)");
        QTest::newRow("key ring")
            << S("keyring.vol") << QString()
            << S("Keyring is not supported in this version of Fortalice® portable reader.");
        QTest::newRow("not FAT") << S("notfat.vol") << S("secret")
                                 << S("Unsupported file system (must be FAT).");
    }
    void failedOpensChangeNothing() {
        QFETCH(QString, volume);
        QFETCH(QString, password);
        QFETCH(QString, text);
        if (German() && !text.isEmpty()) QSKIP("English run only");
        Start();
        QVERIFY(Open("gui.vol"));
        const lc::CLCFiles* before = m_w->app->m_pVolume.get();
        const QString title = Frame()->windowTitle();
        ModalScript script;
        if (password == u"-") script.Cancel(S("password"));
        if (password.size() > 1) script.Password(password);
        if (!text.isEmpty()) script.Message();
        QVERIFY(m_w->app->OpenDocumentFile(m_sandbox->Volume(volume)) == nullptr);
        QCOMPARE(script.seen, QStringList(password.isEmpty() ? 0 : 1, S("password")) +
                                  QStringList(text.isEmpty() ? 0 : 1, S("message")));
        QCOMPARE(script.texts.value(0), text);
        QCOMPARE(m_w->app->m_pVolume.get(), before);
        QCOMPARE(Frame()->windowTitle(), title);
        QCOMPARE(Top(), S("GUITEST"));
        QCOMPARE(m_w->app->RecentFiles(), QStringList{Vol("gui.vol")});
    }

    void secondVolumeReplacesFirstRecentListAndCopies() {
        // A copy in a volume's temporary folder, as viewing leaves it.
        auto leaveCopy = [](const char16_t* volumeName) {
            std::string folder;
            lc::IgnoreStatus(lc::GetVolumeTempFolder(volumeName, folder, true),
                             "without the folder the copy below is missing and the test fails");
            std::ofstream(folder + "copy.txt") << "plain";
            return folder;
        };
        const std::string guiFolder = leaveCopy(u"GuiTest");
        QVERIFY(fs::exists(guiFolder + "copy.txt"));
        Start();
        QVERIFY(Open("gui.vol"));  // leftovers of an earlier run go
        QVERIFY(!fs::exists(guiFolder));
        leaveCopy(u"GuiTest");
        QCOMPARE(m_w->app->m_bOpenDirChosen, 0);
        {
            ModalScript script;
            script.Choose(Vol("second.vol")).Password(S("secret"));
            Frame()->Action(cmd::kOpen)->trigger();
            QCOMPARE(script.seen, L("file, password"));
        }
        QCOMPARE(m_w->app->m_bOpenDirChosen, 1);
        QVERIFY(!fs::exists(guiFolder));  // the old volume's copies go
        QCOMPARE(Tree()->topLevelItemCount(), 1);
        QCOMPARE(Tree()->currentItem()->text(0), S("SECOND"));
        QCOMPARE(m_w->Rows(), QStringList{S("second.txt")});
        QCOMPARE(Frame()->windowTitle(),
                 S("Fortalice® Lockchamber Portable [") + Vol("second.vol") + u']');
        QCOMPARE(m_w->app->RecentFiles(), (QStringList{Vol("second.vol"), Vol("gui.vol")}));
        QVERIFY(!Frame()->RecentFilePlaceholder()->isVisible());
        // A recent entry that fails to open leaves the list.
        QAction* recent = Frame()->Action(cmd::kRecentFile1 + 1);
        {
            ModalScript script;
            script.Cancel(S("password"));
            recent->trigger();
            QCOMPARE(script.seen, L("password"));
        }
        QCOMPARE(m_w->app->RecentFiles(), QStringList{Vol("second.vol")});
        QVERIFY(!recent->isVisible());
        Start();  // the list survives a restart through the settings store
        QCOMPARE(m_w->app->RecentFiles(), QStringList{Vol("second.vol")});
    }

    void windowPlaceIsRemembered() {
        if (German()) QSKIP("English run only");
        Start();
        Frame()->setGeometry(QRect(40, 30, 760, 540));
        Frame()->Splitter()->setSizes({260, 500});
        Start();  // the window before is saved as it goes
        QCOMPARE(Frame()->geometry(), QRect(40, 30, 760, 540));
        QCOMPARE(Frame()->Splitter()->sizes().value(0), 260);
        QVERIFY(!Frame()->isMaximized());
        Frame()->showMaximized();
        Start();
        QVERIFY(Frame()->isMaximized());
        Frame()->showNormal();
        QCOMPARE(Frame()->geometry(), QRect(40, 30, 760, 540));
        // A place on no screen, or a damaged record, gives the first-start size.
        Frame()->setGeometry(QRect(9000, 7000, 760, 540));
        Start();
        QCOMPARE(Frame()->size(), QSize(697, 500));
        QVERIFY(!lc::WindowPlacement::Decode(std::vector<uint8_t>(23)));
        QVERIFY(!lc::WindowPlacement::Decode(std::vector<uint8_t>(24)));  // zero size
    }

    void emptyLabelAndGermanTexts() {
        Start();
        QVERIFY(Open("nolabel.vol"));
        QCOMPARE(Top(), German() ? S("Wechseldatenträger") : S("Removable Disk"));
        // Qt's own texts (standard buttons, key names) from its German catalogue, or none.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"),
                 German() ? S("&Ja") : S("&Yes"));
        // The application's texts and Qt's key names together.
        if (German()) QCOMPARE(TopMenu(0)->actions().at(0)->text(), S("Ö&ffnen...\tStrg+O"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
