#include "app/DamagedFolders.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>

#include "resources/ErrorText.h"
#include "resources/ResourceText.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace lc {

namespace {

constexpr size_t kMaxNamedFolders = 10;

QString FolderPath(const DirInfo& folder) {
    QString path;
    for (const DirInfo* d = &folder; d != nullptr && d->parent != nullptr; d = d->parent) {
        const QString name = QString::fromStdU16String(d->name);
        path = path.isEmpty() ? name : name + u'/' + path;
    }
    return path.isEmpty() ? QStringLiteral("/") : path;
}

}  // namespace

QString DamagedFoldersText(const DirTree& tree) {
    const auto& damaged = tree.DamagedFolders();
    if (damaged.empty()) return {};
    QStringList names;
    for (size_t i = 0; i < damaged.size() && i < kMaxNamedFolders; ++i) {
        names.append(FolderPath(*damaged[i]));
    }
    if (damaged.size() > kMaxNamedFolders) {
        names.append(QString::asprintf(LoadString(str::kMoreDamagedFolders).c_str(),
                                       static_cast<unsigned>(damaged.size() - kMaxNamedFolders)));
    }
    const std::string list = names.join(u'\n').toStdString();
    const std::string error = FormatOpenError(damaged.front()->damage);
    return QString::asprintf(LoadString(str::kDamagedFolders).c_str(), list.c_str(), error.c_str());
}

void ReportDamagedFolders(QWidget* parent, const DirTree& tree) {
    const QString text = DamagedFoldersText(tree);
    if (text.isEmpty()) return;
    // The box is for reading: no wait cursor over it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Warning, ResourceText(str::kTitle), text, QMessageBox::Ok, parent);
    box.exec();
    QApplication::restoreOverrideCursor();
}

}  // namespace lc
