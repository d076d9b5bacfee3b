// The about box (dialog 202): our picture with the version line in bold and the maker's address
// as a link on it. A click closes it (on the link, after opening the address), dragging moves it,
// Escape closes it.
#pragma once

#include <QPixmap>

#include "views/CLCAbout.h"

class QLabel;

namespace lc {

class CAboutDlg : public CLCAbout {
    Q_OBJECT
public:
    static constexpr const char* kVersion = "2.30.1.3";
    static constexpr int kPictureWidth = 381;
    static constexpr int kPictureHeight = 247;
    static constexpr uint32_t kLinkId = 213;
    static constexpr uint32_t kVersionId = 214;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* Control(uint32_t id) const;
    const QPixmap& Picture() const { return m_picture; }

protected:
    bool IsBoldText(const QWidget* window) const override;
    bool IsLinkText(const QWidget* window) const override;
    QWidget* LinkWindow() const override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
    QLabel* m_link = nullptr;
    QLabel* m_version = nullptr;
};

}  // namespace lc
