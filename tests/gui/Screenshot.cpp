// Renders the main window with a volume open into a PNG file, for review (not a test).
//
//   lcportable-screenshot VOLUME PASSWORD OUT.png
//                         [details|tiles|icons|list|password|delay|about|replace]
//
// "password" renders the password dialog, "delay" the countdown after a wrong password,
// "about" the about box and "replace" the replace question (these two need no volume).
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>

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
        std::fprintf(stderr,
                     "usage: lcportable-screenshot VOLUME PASSWORD OUT.png "
                     "[details|tiles|icons|list|password|delay|about|replace]\n");
        return 2;
    }
    const QString style = args.value(4, QStringLiteral("details"));
    if (style == u"about" || style == u"replace") {
        std::unique_ptr<QDialog> dialog;
        if (style == u"about") {
            dialog = std::make_unique<lc::CAboutDlg>();
        } else {
            dialog = std::make_unique<lc::ConfirmFileReplaceDlg>(
                QStringLiteral("/home/user/Documents/report.pdf"));
        }
        dialog->show();
        QApplication::processEvents();
        return dialog->grab().save(args.at(3)) ? 0 : 1;
    }
    lc::CLCReaderApp app;
    lc::test::ModalScript script;
    bool dialogSaved = false;
    auto saveDialog = [&](QWidget* w) {
        QApplication::processEvents();
        dialogSaved = w->grab().save(args.at(3));
    };
    if (style == u"password") {
        script.Then(QStringLiteral("password"), [&](QWidget* w) {
            static_cast<lc::CPasswordDlg*>(w)->Edit()->setText(args.at(2));
            saveDialog(w);
            static_cast<QDialog*>(w)->accept();
        });
    } else if (style == u"delay") {
        script.Password(QStringLiteral("not the password"))
            .Then(QStringLiteral("delay"),
                  [&](QWidget* w) { QTimer::singleShot(700, [&, w] { saveDialog(w); }); })
            .Password(args.at(2));
    } else {
        script.Password(args.at(2));
    }
    if (!app.InitInstance({args.at(0), args.at(1)}) || !app.m_pVolume) {
        std::fprintf(stderr, "lcportable-screenshot: the volume did not open\n");
        return 1;
    }
    lc::CMainFrame* frame = app.m_pMainFrame;
    if (style == u"password" || style == u"delay") {
        app.ExitInstance(0);
        return dialogSaved ? 0 : 1;
    }
    const uint32_t command = style == u"tiles"   ? lc::command::kViewLargeIcons
                             : style == u"icons" ? lc::command::kViewSmallIcons
                             : style == u"list"  ? lc::command::kViewList
                                                 : lc::command::kViewDetails;
    frame->OnCommand(command);
    frame->GetFolderTreeView()->expandAll();
    lc::CLCReaderView* list = frame->GetFileListView();
    if (list->Model()->rowCount() > 1) {
        list->SelectionModel()->select(list->Model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    int rc = 1;
    QTimer::singleShot(500, [&] {
        rc = frame->grab().save(args.at(3)) ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    app.ExitInstance(0);
    return rc;
}
