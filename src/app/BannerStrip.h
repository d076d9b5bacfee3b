// The strip above the file list in which the frame paints its banner. It has the banner's
// height and the list's width, so the filler reaches exactly to the list's right edge.
#pragma once

#include <QWidget>

namespace lc {

class LCFrame;

class BannerStrip : public QWidget {
    Q_OBJECT
public:
    BannerStrip(LCFrame* owner, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    LCFrame* m_owner;  // not owned
};

}  // namespace lc
