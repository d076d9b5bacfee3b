// The window on a volume with damaged folders among healthy ones (make-gui-volumes.sh): one
// message box names the damaged folders, they show empty, the healthy files extract byte-exact.
#include <QtTest>
#include <filesystem>

#include "Bounded.h"
#include "GuiSandbox.h"
#include "WindowDriver.h"
#include "platform/Locale.h"
#include "resources/MenuTemplate.h"
#include "resources/StringTable.h"

using lc::test::L;
using lc::test::ModalScript;
using lc::test::ReadText;
using lc::test::S;
namespace fs = std::filesystem;

class DamagedFolderGuiTest : public QObject {
    Q_OBJECT

private slots:
    void opensReportsOnceAndExtractsTheRest() {
        lc::test::GuiSandbox sandbox("lcdamaged");
        QVERIFY(sandbox.MakeVolumes(LC_GUI_VOLUME_SCRIPT));
        lc::test::BoundThisProcess({60, size_t{512} << 20});
        lc::test::WindowDriver w;
        QVERIFY(w.Start());
        {
            ModalScript script;
            script.Password(S("secret")).Message();
            QVERIFY(w.app->OpenDocumentFile(sandbox.Volume(S("damaged.vol"))) != nullptr);
            QCOMPARE(script.seen, L("password, message"));
            QCOMPARE(script.texts.value(0),
                     S("Some folders of this volume could not be read. They are shown as far as "
                       "they could be read:\n\nd01\nd02\nd03\nd04\nd05\nd06\nd07\nd08\nd09\nd10\n"
                       "and 2 more\n\nThe file or directory is corrupted and unreadable. (1392)"));
            QCOMPARE(script.icons.at(0), QMessageBox::Warning);
            QCOMPARE(script.captions.value(1), S("Fortalice® Lockchamber Portable"));
        }
        QCOMPARE(w.Tree()->currentItem()->text(0), S("DAMAGED"));
        QVERIFY(w.Show(S("d12")));
        QCOMPARE(w.Rows(), QStringList());
        QVERIFY(w.Show(S("good")));
        QCOMPARE(w.Rows(), L("b.txt, a.txt"));

        // The root's healthy folder and file, and a damaged folder, which comes out empty.
        QVERIFY(w.Show(S("DAMAGED")));
        QVERIFY(w.Select(L("good, root.txt, d03")));
        const fs::path out = sandbox.Root() / "out";
        fs::create_directories(out);
        ModalScript answers;
        answers.Choose(lc::test::Q(out)).Message();
        w.Frame()->OnCommand(lc::command::kExtract);
        QCOMPARE(answers.seen, L("file, message"));
        QCOMPARE(ReadText(out / "good" / "a.txt"), S("alpha\n"));
        QCOMPARE(ReadText(out / "good" / "b.txt"), S("bravo bravo\n"));
        QCOMPARE(ReadText(out / "root.txt"), S("root file\n"));
        QVERIFY(fs::is_directory(out / "d03") && fs::is_empty(out / "d03"));
        // The German text has the same places to fill.
        const std::string german = lc::LoadString(32792, lc::Language::German);
        QCOMPARE(std::count(german.begin(), german.end(), '%'), 2);
    }
};

QTEST_MAIN(DamagedFolderGuiTest)
#include "DamagedFolderGuiTest.moc"
