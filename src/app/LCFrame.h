// A main window that paints a picture banner above one of its panes: the banner bitmap at the
// pane's left edge, then the filler bitmap's column repeated up to the pane's right edge.
#pragma once

#include <QMainWindow>
#include <QPixmap>

class QPainter;

namespace lc {

class LCFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit LCFrame(QWidget* parent = nullptr);

    // Loads both bitmaps, once per frame.
    void LoadBannerBitmaps(int bannerId, int fillerId);
    // (0, 0) while the bitmaps are not loaded.
    QSize GetBannerSize() const;
    // Paints the strip of the given width: banner first, filler to the right end.
    void PaintBanner(QPainter& painter, int width) const;

    virtual void OnBannerMoved() {}
    // 8-bit palette displays do not occur with this toolkit; kept for the frame's contract.
    virtual bool UseBannerPalette() const { return false; }
    // The pane the banner stands above.
    virtual QWidget* GetBannerPane() const { return nullptr; }

private:
    bool m_bitmapsLoaded = false;
    QPixmap m_banner;
    QPixmap m_filler;
};

}  // namespace lc
