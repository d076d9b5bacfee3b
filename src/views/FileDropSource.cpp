#include "views/FileDropSource.h"

#include <QDrag>
#include <QMimeData>

namespace lc {

Qt::DropAction FileDropSource::DoDragDrop(QObject* source, QMimeData* data) {
    // Qt deletes the drag object (and with it the data) when the loop is over.
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    return drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace lc
