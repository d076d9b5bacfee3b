#include "views/WorkPump.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace lc {

namespace {

// Holds back the close of a main window while work runs, and replays it afterwards.
class CloseGuard : public QObject {
public:
    void Begin() {
        if (m_depth++ == 0 && qApp != nullptr) {
            qApp->installEventFilter(this);
            m_clock.start();
        }
    }
    void End() {
        if (m_depth == 0 || --m_depth > 0) return;
        if (qApp != nullptr) qApp->removeEventFilter(this);
        const QList<QPointer<QWidget>> held = std::move(m_held);
        m_held.clear();
        for (const QPointer<QWidget>& window : held) {
            if (window) QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        }
    }
    bool Busy() const { return m_depth > 0; }
    bool Due() {
        if (!m_clock.isValid() || m_clock.elapsed() >= WorkPump::kIntervalMs) {
            m_clock.restart();
            return true;
        }
        return false;
    }
    void Restart() { m_clock.restart(); }
    bool m_pumping = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isWindow() || qobject_cast<QDialog*>(widget) != nullptr) {
            return false;
        }
        if (!m_held.contains(widget)) m_held.append(widget);
        event->ignore();
        return true;
    }

private:
    int m_depth = 0;
    QElapsedTimer m_clock;
    QList<QPointer<QWidget>> m_held;
};

CloseGuard& Guard() {
    static CloseGuard guard;
    return guard;
}

}  // namespace

WorkPump::Scope::Scope() {
    Guard().Begin();
}

WorkPump::Scope::~Scope() {
    Guard().End();
}

void WorkPump::Tick(bool force) {
    CloseGuard& guard = Guard();
    if (!guard.Busy() || guard.m_pumping || QCoreApplication::instance() == nullptr) return;
    if (force) {
        guard.Restart();
    } else if (!guard.Due()) {
        return;
    }
    // Not re-entered from an event handled here.
    guard.m_pumping = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    guard.m_pumping = false;
}

bool WorkPump::IsBusy() {
    return Guard().Busy();
}

}  // namespace lc
