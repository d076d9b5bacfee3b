// Renders a picture of the program into a PNG file, for review (not a test).
//
//   lcportable-screenshot VOLUME PASSWORD OUT.png
//                         [details|tiles|icons|list|password|delay|about|replace|
//                          question|save|folder|extracting]
//
// The main window with the volume open in a view style; or the password dialog, the countdown
// after a wrong password, the about box or the replace question (these two need no volume);
// the question about unsupported files (Extract with every row selected; the volume must hold
// one), the save dialog of one file, the folder picker; or the whole screen halfway through
// extracting the largest file of the root folder (into the folder of OUT.png).
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "ModalScript.h"
#include "app/CLCReaderApp.h"
#include "app/CMainFrame.h"
#include "app/CPasswordDlg.h"
#include "fs/DirInfo.h"
#include "resources/MenuTemplate.h"
#include "views/CAboutDlg.h"
#include "views/CLCReaderView.h"
#include "views/CLeftView.h"
#include "views/ConfirmFileReplaceDlg.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: lcportable-screenshot VOLUME PASSWORD OUT.png [STYLE]\n");
        return 2;
    }
    const QString style = args.value(4, QStringLiteral("details"));
    const QString out = args.at(3);
    if (style == u"about") return lc::CAboutDlg().grab().save(out) ? 0 : 1;
    if (style == u"replace")
        return lc::ConfirmFileReplaceDlg(QStringLiteral("/home/user/Documents/report.pdf"))
                       .grab()
                       .save(out)
                   ? 0
                   : 1;
    lc::CLCReaderApp app;
    lc::test::ModalScript script;
    bool saved = false;
    auto save = [&](QWidget* w) { saved = w->grab().save(out); };
    if (style == u"password") {
        script.Then(QStringLiteral("password"), [&](QWidget* w) {
            static_cast<lc::CPasswordDlg*>(w)->Edit()->setText(args.at(2));
            save(w);
            static_cast<QDialog*>(w)->accept();
        });
    } else if (style == u"delay") {
        script.Password(QStringLiteral("not the password"))
            .Then(QStringLiteral("delay"),
                  [&](QWidget* w) { QTimer::singleShot(700, [&, w] { save(w); }); })
            .Password(args.at(2));
    } else {
        script.Password(args.at(2));
    }
    // The commands' dialogs: pictured, then closed.
    const QString extracted = QFileInfo(out).absolutePath() + QStringLiteral("/extracted.bin");
    if (style == u"question") {
        script.Then(QStringLiteral("question"), [&](QWidget* w) {
            save(w);
            static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
        });
    } else if (style == u"save" || style == u"folder") {
        script.Then(QStringLiteral("file"), [&](QWidget* w) {
            save(w);
            static_cast<QDialog*>(w)->reject();
        });
    } else if (style == u"extracting") {
        script.Choose(extracted).Message();
    }
    if (!app.InitInstance({args.at(0), args.at(1)}) || !app.m_pVolume) {
        std::fprintf(stderr, "lcportable-screenshot: the volume did not open\n");
        return 1;
    }
    lc::CMainFrame* frame = app.m_pMainFrame;
    if (style == u"details" || style == u"tiles" || style == u"icons" || style == u"list") {
        frame->OnCommand(style == u"tiles"   ? lc::command::kViewLargeIcons
                         : style == u"icons" ? lc::command::kViewSmallIcons
                         : style == u"list"  ? lc::command::kViewList
                                             : lc::command::kViewDetails);
        frame->GetFolderTreeView()->expandAll();
        lc::CLCReaderView* list = frame->GetFileListView();
        list->SelectionModel()->select(list->Model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTimer::singleShot(500, [&] {
            save(frame);
            QApplication::quit();
        });
        QApplication::exec();
    } else if (style == u"question" || style == u"save" || style == u"folder" ||
               style == u"extracting") {
        lc::CLCReaderView* list = frame->GetFileListView();
        int largest = -1;
        for (int r = 0; r < list->Model()->rowCount(); ++r) {
            const lc::DirInfo* record = list->RecordAt(r);
            if (record->IsFile() && (largest < 0 || record->size > list->RecordAt(largest)->size))
                largest = r;
        }
        if (style == u"save" || style == u"extracting") {
            list->SelectionModel()->select(list->Model()->index(largest, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        } else {
            list->SelectAll();
        }
        // Halfway: the whole screen as the X server holds it, not a fresh rendering.
        const QRegularExpression percent(QStringLiteral("\\((\\d+)%\\)"));
        QTimer halfway;
        halfway.setInterval(5);
        QObject::connect(&halfway, &QTimer::timeout, [&] {
            const auto match = percent.match(frame->StatusText());
            if (saved || !match.hasMatch() || match.captured(1).toInt() < 50) return;
            saved = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
        });
        if (style == u"extracting") halfway.start();
        QTimer::singleShot(500, [&] {
            frame->OnCommand(lc::command::kExtract);
            QApplication::quit();
        });
        QApplication::exec();
        QFile::remove(extracted);
    }
    app.ExitInstance(0);
    return saved ? 0 : 1;
}
