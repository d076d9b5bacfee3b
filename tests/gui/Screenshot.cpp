// Renders a picture of the program into a PNG file, for review (not a test).
//
//   lcportable-screenshot VOLUME PASSWORD OUT.png
//                         [details|tiles|icons|list|password|delay|about|replace]
//
// The main window with the volume open in a view style; or the password dialog, the countdown
// after a wrong password, the about box or the replace question (these two need no volume).
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

#include "ModalScript.h"
#include "app/CLCReaderApp.h"
#include "app/CMainFrame.h"
#include "app/CPasswordDlg.h"
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
    }
    app.ExitInstance(0);
    return saved ? 0 : 1;
}
