#include "app/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace lc {

WaitCursor::WaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace lc
