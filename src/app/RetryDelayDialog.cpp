#include "app/RetryDelayDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>
#include <cmath>
#include <cstdlib>

#include "resources/DialogTemplates.h"
#include "views/DialogUnits.h"
#include "views/WaitCursor.h"

namespace lc {

namespace {
constexpr int kTimerPeriodMs = 10;
}

RetryDelayDialog::RetryDelayDialog(const RetryDelayParams& params)
    : QDialog(params.owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    const DialogTemplate* t = FindDialogTemplate(params.dialogId);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(t->width, t->height));
    setObjectName(QStringLiteral("retryDelay"));
    for (const auto& c : t->controls) {
        const QRect r = units.ToPixels(c.x, c.y, c.width, c.height);
        if (c.id == params.textId) {
            auto* label = new QLabel(params.text, this);
            label->setGeometry(r);
        } else if (c.id == params.progressId) {
            m_progress = new QProgressBar(this);
            m_progress->setTextVisible(false);
            m_progress->setGeometry(r);
        }
    }
    m_total = static_cast<int>(std::lround(params.seconds * 1000.0 * DelayScale()));
    m_elapsed = 0;
    m_start.start();
    // The control takes its upper bound as a 16-bit value.
    m_progress->setRange(0, static_cast<uint16_t>(m_total));
    m_progress->setValue(0);
    m_timerId = startTimer(kTimerPeriodMs, Qt::PreciseTimer);
}

int RetryDelayDialog::Run(const RetryDelayParams& params) {
    const WaitCursor wait;
    RetryDelayDialog dialog(params);
    return dialog.exec();
}

double RetryDelayDialog::DelayScale() {
    const char* value = std::getenv("LCPORTABLE_TEST_DELAY_SCALE");
    if (value == nullptr || *value == '\0') return 1.0;
    const double scale = std::atof(value);
    return scale > 0 ? scale : 1.0;
}

void RetryDelayDialog::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId) {
        QDialog::timerEvent(event);
        return;
    }
    if (m_elapsed >= m_total) {
        killTimer(m_timerId);
        m_timerId = 0;
        m_done = true;
        done(1);
        return;
    }
    m_elapsed = static_cast<int>(m_start.elapsed());
    m_progress->setValue(std::min(m_elapsed, m_progress->maximum()));
}

// Escape and the window manager's close do nothing while the delay runs.
void RetryDelayDialog::reject() {
    if (m_done) QDialog::reject();
}

void RetryDelayDialog::closeEvent(QCloseEvent* event) {
    if (!m_done) event->ignore();
}

}  // namespace lc
