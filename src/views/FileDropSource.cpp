#include "views/FileDropSource.h"

#include <QDrag>

#include "views/FileDataSource.h"

namespace lc {

Qt::DropAction FileDropSource::DoDragDrop(QObject* source, FileDataSource* data) {
    // Qt deletes the drag object (and with it the data) when the loop is over.
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    return drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace lc
