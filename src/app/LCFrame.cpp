#include "app/LCFrame.h"

#include <QPainter>

#include "resources/Artwork.h"

namespace lc {

LCFrame::LCFrame(QWidget* parent) : QMainWindow(parent) {}

void LCFrame::LoadBannerBitmaps(int bannerId, int fillerId) {
    if (m_bitmapsLoaded) return;
    m_banner = Artwork::Bitmap(bannerId);
    m_filler = Artwork::Bitmap(fillerId);
    m_bitmapsLoaded = !m_banner.isNull() && !m_filler.isNull();
}

QSize LCFrame::GetBannerSize() const {
    if (!m_bitmapsLoaded) return {0, 0};
    return m_banner.size();
}

void LCFrame::PaintBanner(QPainter& painter, int width) const {
    if (!m_bitmapsLoaded) return;
    const int h = m_banner.height();
    painter.drawPixmap(0, 0, m_banner);
    for (int x = m_banner.width(); x < width; ++x) painter.drawPixmap(x, 0, m_filler, 0, 0, 1, h);
}

}  // namespace lc
