// Dialog 102: asks for the password of a volume, masked, at most 64 characters.
#pragma once

#include <QDialog>

#include "platform/SecureBuffer.h"

class QLineEdit;

namespace lc {

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 64;

    explicit CPasswordDlg(QWidget* parent);
    ~CPasswordDlg() override;

    // The text of the edit control after OK; empty before.
    const Password& GetPassword() const { return m_password; }
    QLineEdit* Edit() const { return m_edit; }

    void accept() override;

private:
    Password m_password;
    QLineEdit* m_edit = nullptr;
};

}  // namespace lc
