// The file list handed to other programs: "text/uri-list" and "x-special/gnome-copied-files"
// naming the plain copies of the selected rows. The copies exist before the list is handed
// out (when the drag starts or Copy is chosen): drop and paste targets do not wait for a list
// to be made when they ask for it.
#pragma once

#include <QList>
#include <QMimeData>
#include <QUrl>

namespace lc {

class FileDataSource : public QMimeData {
    Q_OBJECT
public:
    static const QString kUriList;
    static const QString kGnomeCopiedFiles;

    // Both formats filled in from the start.
    explicit FileDataSource(const QList<QUrl>& urls);

    static QByteArray UriListData(const QList<QUrl>& urls);
    static QByteArray GnomeCopiedFilesData(const QList<QUrl>& urls);
};

}  // namespace lc
