// Tells a drag of the file list's selected rows from a click. Watches the viewports of the
// list's views: a left press on a selected row that moves the system's drag distance starts
// the drag. With several rows selected the press is held back from the view, so dragging them
// does not narrow the selection; a release without a move then selects the pressed row alone.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

namespace lc {

class ExpListView;

class DragGesture : public QObject {
    Q_OBJECT
public:
    // allowed: whether a drag may start now; begin: starts it.
    DragGesture(ExpListView* list, std::function<bool()> allowed, std::function<void()> begin,
                QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ExpListView* m_list;  // not owned
    std::function<bool()> m_allowed;
    std::function<void()> m_begin;
    bool m_pressed = false;
    QPoint m_pressPos;
    int m_pressRow = -1;
    bool m_pressHeld = false;
};

}  // namespace lc
