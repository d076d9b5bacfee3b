// File-type pictures from the desktop's MIME database and icon theme, the opener of files and
// addresses, and the about box.
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>
#include <memory>

#include "GuiSandbox.h"
#include "views/CAboutDlg.h"
#include "views/DesktopLauncher.h"
#include "views/ImageList.h"
#include "views/LCPImageList.h"

using lc::test::GuiSandbox;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QIcon Filled(int size, Qt::GlobalColor colour) {
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Lists holding the four pictures of the file list, as after its initial update.
void FillLists(lc::ImageList& small, lc::ImageList& large) {
    for (Qt::GlobalColor c : {Qt::red, Qt::green, Qt::blue, Qt::yellow}) {
        small.Add(Filled(16, c));
        large.Add(Filled(32, c));
    }
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class IconAboutTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> m_sandbox;

    QStringList Opened() const { return m_sandbox->Opened(); }

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<GuiSandbox>("lcgui2-icons");
        m_sandbox->InstallOpener();
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void init() { m_sandbox->ResetOpener(); }

    void iconsPerExtension() {
        lc::ImageList small(16);
        lc::ImageList large(32);
        FillLists(small, large);
        lc::LCPImageList icons;
        icons.Initialize(&small, &large);
        QVERIFY2(!QIcon::themeName().isEmpty(), "no icon theme found");
        // The application picture right after the list's own four.
        QCOMPARE(icons.Extensions(), (QStringList{{}, {}, {}, {}, S(".exe")}));
        QCOMPARE(icons.IconFor(S("PROGRAM.EXE")), 4);
        QCOMPARE(icons.IconFor(S("tool.exe")), 4);
        QCOMPARE(small.Icon(4).pixmap(16, 16).toImage(),
                 QIcon::fromTheme(S("application-x-executable")).pixmap(16, 16).toImage());
        QCOMPARE(icons.IconFor(S("readme")), 0);
        QCOMPARE(icons.IconFor(S("archive.")), 0);
        QCOMPARE(small.Count(), 5);

        const int text = icons.IconFor(S("notes.txt"));
        QCOMPARE(text, 5);
        QCOMPARE(icons.IconFor(S("Report.TXT")), text);
        QCOMPARE(icons.Extensions().at(text), S(".txt"));
        QCOMPARE(small.Count(), 6);
        QCOMPARE(large.Count(), 6);
        QCOMPARE(small.Icon(text).pixmap(16, 16).size(), QSize(16, 16));
        QCOMPARE(large.Icon(text).pixmap(32, 32).size(), QSize(32, 32));
        QVERIFY(small.Icon(text).pixmap(16, 16).toImage() !=
                small.Icon(4).pixmap(16, 16).toImage());

        // A type the desktop does not know: 0, and not remembered.
        QCOMPARE(icons.IconFor(S("data.zzqqxx")), 0);
        QCOMPARE(icons.IconFor(S("more.zzqqxx")), 0);
        QCOMPARE(small.Count(), 6);
        QVERIFY(!icons.Extensions().contains(S(".zzqqxx")));
        // Other known types each get a picture of their own, in both lists.
        const int archive = icons.IconFor(S("backup.zip"));
        QCOMPARE(archive, 6);
        QCOMPARE(large.Count(), 7);
    }

    void noSmallListMeansNoLookups() {
        lc::ImageList large(32);
        lc::LCPImageList icons;
        icons.Initialize(nullptr, &large);
        QCOMPARE(icons.IconFor(S("notes.txt")), 0);
        QCOMPARE(icons.IconFor(S("tool.exe")), 0);
        QCOMPARE(large.Count(), 0);
    }

    void launcherReportsTheOpenersVerdict_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("opened");
        QTest::newRow("opened") << 0 << true;
        QTest::newRow("no application") << 3 << false;
    }
    void launcherReportsTheOpenersVerdict() {
        QFETCH(int, exitCode);
        QFETCH(bool, opened);
        m_sandbox->SetOpenerExit(exitCode);
        const QString path = QString::fromStdString((m_sandbox->Root() / "some file.pdf").string());
        QCOMPARE(lc::DesktopLauncher::OpenFile(path), opened);
        QTRY_COMPARE(Opened(), QStringList{path});
    }

    void aboutBoxTexts() {
        lc::CAboutDlg box;
        QCOMPARE(box.size(), QSize(381, 247));
        QCOMPARE(box.Picture().size(), QSize(381, 247));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QLabel* version = box.Control(214);
        QCOMPARE(version->text(), S("Version 2.30.1.3"));
        QCOMPARE(version->font().weight(), QFont::Bold);
        QLabel* link = box.Control(213);
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(!link->font().bold());
        for (QLabel* label : box.findChildren<QLabel*>()) {
            QVERIFY(!label->autoFillBackground());
            QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));
        }
    }

    void aboutBoxMouseAndKeys() {
        {
            // Escape closes.
            lc::CAboutDlg box;
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            QTest::keyClick(&box, Qt::Key_Escape);
            QVERIFY(!box.isVisible());
        }
        {
            // Press, drag, release: moved and still open.
            lc::CAboutDlg box;
            box.move(100, 100);
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            const QPoint before = box.pos();
            SendMouse(&box, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
            SendMouse(&box, QEvent::MouseMove, QPoint(50, 40), Qt::LeftButton);
            SendMouse(&box, QEvent::MouseButtonRelease, QPoint(50, 40) - QPoint(40, 30),
                      Qt::NoButton);
            QVERIFY(box.isVisible());
            QCOMPARE(box.pos(), before + QPoint(40, 30));
            QVERIFY(box.HasMoved());
            // A click without moving closes it with 1; nothing is opened.
            SendMouse(&box, QEvent::MouseButtonPress, QPoint(300, 20), Qt::LeftButton);
            SendMouse(&box, QEvent::MouseButtonRelease, QPoint(300, 20), Qt::NoButton);
            QVERIFY(!box.isVisible());
            QCOMPARE(box.result(), 1);
            QVERIFY(Opened().isEmpty());
        }
        {
            // A click on the link opens the address, then closes.
            lc::CAboutDlg box;
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            const QPoint onLink = box.Control(213)->geometry().center();
            SendMouse(&box, QEvent::MouseButtonPress, onLink, Qt::LeftButton);
            SendMouse(&box, QEvent::MouseButtonRelease, onLink, Qt::NoButton);
            QVERIFY(!box.isVisible());
            QTRY_COMPARE(Opened(), QStringList{S("http://www.kelmora.example")});
        }
    }
};

QTEST_MAIN(IconAboutTest)
#include "IconAboutTest.moc"
