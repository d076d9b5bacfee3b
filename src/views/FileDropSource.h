// The source side of dragging files out of the list: Qt's drag loop with its usual feedback
// (cursor, Escape cancels, releasing the button drops), offering a copy only.
#pragma once

#include <Qt>

class QMimeData;
class QObject;

namespace lc {

class FileDropSource {
public:
    // Runs the loop until the drop or the cancel; the drag owns data from here on.
    static Qt::DropAction DoDragDrop(QObject* source, QMimeData* data);
};

}  // namespace lc
