#include "app/BannerStrip.h"

#include <QPainter>

#include "app/LCFrame.h"

namespace lc {

BannerStrip::BannerStrip(LCFrame* owner, QWidget* parent) : QWidget(parent), m_owner(owner) {
    setFixedHeight(m_owner->GetBannerSize().height());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BannerStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_owner->PaintBanner(painter, width());
}

void BannerStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_owner->OnBannerMoved();
}

}  // namespace lc
