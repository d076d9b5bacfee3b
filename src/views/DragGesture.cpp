#include "views/DragGesture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QTreeView>

#include "views/ExpListView.h"
#include "views/FileListModel.h"

namespace lc {

DragGesture::DragGesture(ExpListView* list, std::function<bool()> allowed,
                         std::function<void()> begin, QObject* parent)
    : QObject(parent), m_list(list), m_allowed(std::move(allowed)), m_begin(std::move(begin)) {
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_list->ReportView()),
                                    static_cast<QAbstractItemView*>(m_list->IconView())}) {
        view->viewport()->installEventFilter(this);
    }
}

bool DragGesture::eventFilter(QObject* watched, QEvent* event) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* view =
        viewport != nullptr ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    if (view == nullptr) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_pressed = false;
            if (!m_allowed() || mouse->button() != Qt::LeftButton ||
                mouse->modifiers() != Qt::NoModifier) {
                return false;
            }
            const QModelIndex index = view->indexAt(mouse->position().toPoint());
            const QList<int> selected = m_list->SelectedRows();
            if (!index.isValid() || !selected.contains(index.row())) return false;
            m_pressed = true;
            m_pressPos = mouse->position().toPoint();
            m_pressRow = index.row();
            m_pressHeld = selected.size() > 1;
            return m_pressHeld;
        }
        case QEvent::MouseMove: {
            if (!m_pressed) return false;
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->position().toPoint() - m_pressPos).manhattanLength() <
                QApplication::startDragDistance()) {
                return true;
            }
            m_pressed = false;
            m_begin();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (!m_pressed) return false;
            m_pressed = false;
            if (!m_pressHeld) return false;
            const QModelIndex index = m_list->Model()->index(m_pressRow, 0);
            view->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace lc
