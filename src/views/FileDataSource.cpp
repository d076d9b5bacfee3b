#include "views/FileDataSource.h"

#include "views/ExtractionUi.h"

namespace lc {

const QString FileDataSource::kUriList = QStringLiteral("text/uri-list");
const QString FileDataSource::kGnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

FileDataSource::FileDataSource(ExtractionUi* engine) : m_engine(engine) {}

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

QMimeData* FileDataSource::Rendered(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setData(kUriList, UriListData(urls));
    data->setData(kGnomeCopiedFiles, GnomeCopiedFilesData(urls));
    return data;
}

QStringList FileDataSource::formats() const {
    return {kUriList, kGnomeCopiedFiles};
}

bool FileDataSource::hasFormat(const QString& format) const {
    return format == kUriList || format == kGnomeCopiedFiles;
}

QVariant FileDataSource::retrieveData(const QString& format, QMetaType) const {
    if (!hasFormat(format)) return {};
    if (!m_rendered) {
        m_rendered = true;
        m_result = m_engine ? m_engine->RenderFileList(m_urls) : status::kInvalidHandle;
    }
    // A failed extraction has been reported; the drop target gets nothing.
    if (m_result != status::kSuccess) return {};
    return format == kUriList ? UriListData(m_urls) : GnomeCopiedFilesData(m_urls);
}

}  // namespace lc
