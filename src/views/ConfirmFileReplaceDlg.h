// Dialog 231: asks before an existing file is replaced. The answer is the dialog's result:
// Yes 1, Cancel 2, No 4, Yes to All 5 (also Escape and closing the window give Cancel).
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace lc {

class ConfirmFileReplaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kYes = 1;
    static constexpr int kCancel = 2;
    static constexpr int kNo = 4;
    static constexpr int kYesToAll = 5;

    explicit ConfirmFileReplaceDlg(const QString& path, QWidget* parent = nullptr);

    // The text of static 220 after formatting with the path.
    QString Text() const;
    // The button of control id 1, 2, 223 or 225; null for others.
    QPushButton* Button(uint32_t id) const;

    void reject() override { done(kCancel); }

private:
    QLabel* m_text = nullptr;
    QPushButton* m_buttons[4] = {nullptr, nullptr, nullptr, nullptr};
};

}  // namespace lc
