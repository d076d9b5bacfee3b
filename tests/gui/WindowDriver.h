// The application and its main window as the GUI tests drive them, and their small text helpers.
#pragma once

#include <QFile>
#include <QItemSelectionModel>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "ModalScript.h"
#include "app/CLCReaderApp.h"
#include "app/CMainFrame.h"
#include "fs/DirInfo.h"
#include "views/CLCReaderView.h"
#include "views/CLeftView.h"

namespace lc::test {

inline QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}
inline QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}
// "a, b, c" as a list.
inline QStringList L(const char* items) {
    return S(items).split(QStringLiteral(", "));
}
// Empty when the file cannot be read.
inline QString ReadText(const std::filesystem::path& path) {
    QFile file(Q(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class WindowDriver {
public:
    ~WindowDriver() { app->ExitInstance(0); }

    bool Start(const QStringList& arguments = {}) {
        return app->InitInstance(QStringList{QStringLiteral("lcportable")} + arguments);
    }
    bool Open(const QString& path, const QString& password = QStringLiteral("secret")) {
        ModalScript script;
        script.Password(password);
        return app->OpenDocumentFile(path) != nullptr;
    }
    CMainFrame* Frame() const { return app->m_pMainFrame; }
    CLCReaderView* List() const { return Frame()->GetFileListView(); }
    CLeftView* Tree() const { return Frame()->GetFolderTreeView(); }
    QStringList Rows() const {
        QStringList names;
        for (int r = 0; r < List()->Model()->rowCount(); ++r)
            names.append(QString::fromStdU16String(List()->RecordAt(r)->name));
        return names;
    }
    int RowOf(const QString& name) const { return Rows().indexOf(name); }
    // True when every name was found.
    bool Select(const QStringList& names) {
        List()->SelectionModel()->clearSelection();
        for (const QString& name : names)
            List()->SelectionModel()->select(
                List()->Model()->index(RowOf(name), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        return List()->SelectedRows().size() == names.size();
    }
    // Makes the first folder of that name the current one.
    bool Show(const QString& folder) {
        const auto found = Tree()->findItems(folder, Qt::MatchExactly | Qt::MatchRecursive);
        if (found.isEmpty()) return false;
        Tree()->setCurrentItem(found.front());
        return true;
    }

    std::unique_ptr<CLCReaderApp> app = std::make_unique<CLCReaderApp>();
};

}  // namespace lc::test
