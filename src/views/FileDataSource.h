// The file list handed to other programs: "text/uri-list" and "x-special/gnome-copied-files"
// naming the plain copies of the selected rows. For dragging, the copies are made only when the
// drop target first asks for the data (once per drag); the clipboard gets an already rendered
// list.
#pragma once

#include <QList>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "platform/Status.h"

namespace lc {

class ExtractionUi;

class FileDataSource : public QMimeData {
    Q_OBJECT
public:
    static const QString kUriList;
    static const QString kGnomeCopiedFiles;

    explicit FileDataSource(ExtractionUi* engine);

    // Both formats filled in from the start.
    static QMimeData* Rendered(const QList<QUrl>& urls);
    static QByteArray UriListData(const QList<QUrl>& urls);
    static QByteArray GnomeCopiedFilesData(const QList<QUrl>& urls);

    QStringList formats() const override;
    bool hasFormat(const QString& format) const override;

    // Whether the selection has been extracted, and with which result.
    bool IsRendered() const { return m_rendered; }
    Status RenderResult() const { return m_result; }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override;

private:
    QPointer<ExtractionUi> m_engine;
    mutable bool m_rendered = false;
    mutable Status m_result = status::kSuccess;
    mutable QList<QUrl> m_urls;
};

}  // namespace lc
