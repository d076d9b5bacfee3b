#include "views/FileDataSource.h"

namespace lc {

const QString FileDataSource::kUriList = QStringLiteral("text/uri-list");
const QString FileDataSource::kGnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

FileDataSource::FileDataSource(const QList<QUrl>& urls) {
    setData(kUriList, UriListData(urls));
    setData(kGnomeCopiedFiles, GnomeCopiedFilesData(urls));
}

QByteArray FileDataSource::UriListData(const QList<QUrl>& urls) {
    QByteArray data;
    for (const QUrl& url : urls) data += url.toEncoded() + "\r\n";
    return data;
}

QByteArray FileDataSource::GnomeCopiedFilesData(const QList<QUrl>& urls) {
    QByteArray data("copy");
    for (const QUrl& url : urls) data += '\n' + url.toEncoded();
    return data;
}

}  // namespace lc
