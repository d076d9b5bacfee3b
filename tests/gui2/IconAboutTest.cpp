// File-type pictures from the desktop's MIME database and icon theme, and the about box.
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

#include "GuiSandbox.h"
#include "WindowDriver.h"
#include "resources/MenuTemplate.h"
#include "views/CAboutDlg.h"
#include "views/ImageList.h"
#include "views/LCPImageList.h"

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QImage Image(const lc::ImageList& list, int index, int size) {
    return list.Icon(index).pixmap(size, size).toImage();
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class IconAboutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<lc::test::GuiSandbox> m_sandbox;

private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<lc::test::GuiSandbox>("lcgui2-icons");
        m_sandbox->InstallOpener();
    }
    void cleanupTestCase() { m_sandbox.reset(); }

    void iconsPerExtension() {
        // The lists hold the file list's own four pictures.
        lc::ImageList small(16);
        lc::ImageList large(32);
        for (Qt::GlobalColor colour : {Qt::red, Qt::green, Qt::blue, Qt::yellow}) {
            QPixmap pixmap(32, 32);
            pixmap.fill(colour);
            small.Add(QIcon(pixmap.scaled(16, 16)));
            large.Add(QIcon(pixmap));
        }
        lc::LCPImageList icons;
        icons.Initialize(&small, &large);
        QVERIFY2(!QIcon::themeName().isEmpty(), "no icon theme found");
        // The application picture right after them, for any case of ".exe".
        QCOMPARE(icons.Extensions(), (QStringList{{}, {}, {}, {}, S(".exe")}));
        QCOMPARE(icons.IconFor(S("PROGRAM.EXE")), 4);
        QCOMPARE(icons.IconFor(S("tool.exe")), 4);
        QCOMPARE(Image(small, 4, 16),
                 QIcon::fromTheme(S("application-x-executable")).pixmap(16, 16).toImage());
        // No extension, or an empty one: 0, nothing added.
        QCOMPARE(icons.IconFor(S("readme")), 0);
        QCOMPARE(icons.IconFor(S("archive.")), 0);
        QCOMPARE(small.Count(), 5);
        // A known type: one picture of its own in both sizes and lists, reused by any case.
        QCOMPARE(icons.IconFor(S("notes.txt")), 5);
        QCOMPARE(icons.IconFor(S("Report.TXT")), 5);
        QCOMPARE(icons.Extensions().at(5), S(".txt"));
        QCOMPARE(small.Count() + large.Count(), 12);
        QCOMPARE(Image(small, 5, 16).size(), QSize(16, 16));
        QCOMPARE(Image(large, 5, 32).size(), QSize(32, 32));
        QVERIFY(Image(small, 5, 16) != Image(small, 4, 16));
        // A type the desktop does not know: 0, and not remembered.
        QCOMPARE(icons.IconFor(S("data.zzqqxx")), 0);
        QCOMPARE(icons.IconFor(S("more.zzqqxx")), 0);
        QCOMPARE(small.Count(), 6);
        QVERIFY(!icons.Extensions().contains(S(".zzqqxx")));
        QCOMPARE(icons.IconFor(S("backup.zip")), 6);
        QCOMPARE(large.Count(), 7);
        // Without a small list nothing is looked up.
        lc::LCPImageList none;
        none.Initialize(nullptr, &large);
        QCOMPARE(none.IconFor(S("notes.txt")), 0);
        QCOMPARE(large.Count(), 7);
    }

    void aboutBox() {
        {
            // From the Help menu.
            lc::test::WindowDriver window;
            QVERIFY(window.Start());
            QString version;
            lc::test::ModalScript answers;
            answers.Then(S("about"), [&version](QWidget* w) {
                version = static_cast<lc::CAboutDlg*>(w)->Control(214)->text();
                static_cast<QDialog*>(w)->reject();
            });
            window.Frame()->OnCommand(lc::command::kAbout);
            QCOMPARE(answers.seen, QStringList{S("about")});
            QCOMPARE(version, S("Version 2.30.1.3"));
        }
        lc::CAboutDlg box;
        QCOMPARE(box.size(), QSize(381, 247));
        QCOMPARE(box.Picture().size(), QSize(381, 247));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(box.Control(214)->font().weight(), QFont::Bold);
        QLabel* link = box.Control(213);
        QVERIFY(link->font().underline());
        QVERIFY(!link->font().bold());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (QLabel* label : box.findChildren<QLabel*>()) {
            QVERIFY(!label->autoFillBackground());
            QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));
        }
        // Escape closes.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
        // Press, drag, release: moved and still open.
        box.move(100, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint before = box.pos();
        SendMouse(&box, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
        SendMouse(&box, QEvent::MouseMove, QPoint(50, 40), Qt::LeftButton);
        SendMouse(&box, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::NoButton);
        QVERIFY(box.isVisible());
        QCOMPARE(box.pos(), before + QPoint(40, 30));
        // A click without moving closes it with 1; nothing is opened.
        SendMouse(&box, QEvent::MouseButtonPress, QPoint(300, 20), Qt::LeftButton);
        SendMouse(&box, QEvent::MouseButtonRelease, QPoint(300, 20), Qt::NoButton);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), 1);
        QVERIFY(m_sandbox->Opened().isEmpty());
        // A click on the link opens the address, then closes.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint onLink = link->geometry().center();
        SendMouse(&box, QEvent::MouseButtonPress, onLink, Qt::LeftButton);
        SendMouse(&box, QEvent::MouseButtonRelease, onLink, Qt::NoButton);
        QVERIFY(!box.isVisible());
        QTRY_COMPARE(m_sandbox->Opened(), QStringList{S("http://www.kelmora.example")});
    }
};

QTEST_MAIN(IconAboutTest)
#include "IconAboutTest.moc"
