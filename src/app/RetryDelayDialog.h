// Dialog 226: the countdown after a wrong password. No caption, no buttons, topmost; a 10 ms
// timer moves the progress bar and ends the dialog when the delay has run out. It cannot be
// closed earlier.
//
// Test hook: the environment variable LCPORTABLE_TEST_DELAY_SCALE (a positive factor, e.g.
// 0.01) shortens the delay. Only the GUI tests set it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>

class QProgressBar;

namespace lc {

struct RetryDelayParams {
    uint32_t size = 428;
    uint32_t seconds = 0;
    QWidget* owner = nullptr;
    uint32_t dialogId = 226;
    uint32_t progressId = 218;
    uint32_t textId = 217;
    QString text;
};

class RetryDelayDialog : public QDialog {
    Q_OBJECT
public:
    explicit RetryDelayDialog(const RetryDelayParams& params);

    // Shows the wait cursor and runs the dialog modally over the owner.
    static int Run(const RetryDelayParams& params);
    // The factor of LCPORTABLE_TEST_DELAY_SCALE, else 1.
    static double DelayScale();

    QProgressBar* Progress() const { return m_progress; }
    int TotalMilliseconds() const { return m_total; }

    void reject() override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* m_progress = nullptr;
    QElapsedTimer m_start;
    int m_total = 0;
    int m_elapsed = 0;
    int m_timerId = 0;
    bool m_done = false;
};

}  // namespace lc
