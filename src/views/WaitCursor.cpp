#include "views/WaitCursor.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace lc {

namespace {

// Watches the dialogs shown while a wait cursor is held and sets or lifts the application's
// override cursor to match.
class DialogWatcher : public QObject {
public:
    void Hold() {
        if (m_holders++ == 0 && qApp != nullptr) qApp->installEventFilter(this);
        Apply();
    }
    void Release() {
        if (m_holders > 0 && --m_holders == 0) {
            if (qApp != nullptr) qApp->removeEventFilter(this);
            m_dialogs.clear();
        }
        Apply();
    }
    bool Shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isWindow() ||
            (qobject_cast<QDialog*>(widget) == nullptr && !widget->isModal())) {
            return false;
        }
        m_dialogs.removeAll(nullptr);
        m_dialogs.removeAll(widget);
        if (type == QEvent::Show) m_dialogs.append(widget);
        Apply();
        return false;
    }

private:
    void Apply() {
        m_dialogs.removeAll(nullptr);
        const bool wanted = m_holders > 0 && m_dialogs.isEmpty();
        if (wanted == m_shown) return;
        m_shown = wanted;
        if (wanted) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    }

    int m_holders = 0;
    bool m_shown = false;
    QList<QPointer<QWidget>> m_dialogs;
};

DialogWatcher& Watcher() {
    static DialogWatcher watcher;
    return watcher;
}

}  // namespace

WaitCursor::WaitCursor() {
    Watcher().Hold();
}

WaitCursor::~WaitCursor() {
    Watcher().Release();
}

bool WaitCursor::IsShown() {
    return Watcher().Shown();
}

}  // namespace lc
