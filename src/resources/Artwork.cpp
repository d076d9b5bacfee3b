#include "resources/Artwork.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>

namespace lc {

namespace {

constexpr int kBannerWidth = 482;
constexpr int kBannerHeight = 98;

QLinearGradient BannerGradient() {
    QLinearGradient g(0, 0, 0, kBannerHeight);
    g.setColorAt(0.0, QColor(24, 52, 96));
    g.setColorAt(0.65, QColor(38, 84, 140));
    g.setColorAt(1.0, QColor(70, 120, 176));
    return g;
}

// A padlock in a box of the given size, drawn at the painter's origin.
void DrawPadlock(QPainter& p, qreal size, const QColor& body, const QColor& shackle) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(shackle, size * 0.11);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QRectF arc(size * 0.27, size * 0.08, size * 0.46, size * 0.52);
    p.drawArc(arc, 0, 180 * 16);
    p.drawLine(QPointF(arc.left(), arc.center().y()), QPointF(arc.left(), size * 0.46));
    p.drawLine(QPointF(arc.right(), arc.center().y()), QPointF(arc.right(), size * 0.46));
    p.setPen(QPen(body.darker(160), std::max<qreal>(1.0, size * 0.04)));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(size * 0.14, size * 0.42, size * 0.72, size * 0.52), size * 0.08,
                      size * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(body.darker(220));
    p.drawEllipse(QPointF(size * 0.5, size * 0.62), size * 0.07, size * 0.07);
    p.drawRect(QRectF(size * 0.47, size * 0.64, size * 0.06, size * 0.17));
    p.restore();
}

QPixmap DrawBanner() {
    QPixmap pm(kBannerWidth, kBannerHeight);
    QPainter p(&pm);
    p.fillRect(pm.rect(), BannerGradient());
    p.setRenderHint(QPainter::Antialiasing);
    // Faint concentric rings behind the emblem.
    p.setPen(QPen(QColor(255, 255, 255, 28), 2));
    for (int r = 30; r <= 150; r += 24) p.drawEllipse(QPointF(49, 49), r, r);
    p.translate(14, 14);
    DrawPadlock(p, 70, QColor(232, 184, 64), QColor(214, 220, 228));
    p.resetTransform();
    QFont title("Sans Serif");
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(104, 14, 370, 38), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("Lockchamber"));
    QFont sub("Sans Serif");
    sub.setPixelSize(15);
    p.setFont(sub);
    p.setPen(QColor(200, 216, 240));
    p.drawText(QRect(106, 54, 370, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("Fortalice® Portable Reader"));
    p.setPen(QColor(232, 184, 64));
    p.drawLine(106, 80, 300, 80);
    return pm;
}

QPixmap DrawFiller() {
    QPixmap pm(1, kBannerHeight);
    QPainter p(&pm);
    p.fillRect(pm.rect(), BannerGradient());
    return pm;
}

QPixmap DrawVolume() {
    // Drawn on magenta, which then becomes transparent, as the bitmap's mask colour says.
    QPixmap pm(16, 16);
    pm.fill(QColor(255, 0, 255));
    {
        QPainter p(&pm);
        p.setPen(QColor(60, 60, 70));
        p.setBrush(QColor(170, 176, 186));
        p.drawRect(1, 6, 13, 7);
        p.fillRect(3, 9, 6, 2, QColor(90, 96, 106));
        p.fillRect(12, 8, 1, 1, QColor(60, 200, 60));
        // The key across the upper edge.
        p.setPen(QColor(140, 100, 10));
        p.setBrush(QColor(232, 184, 64));
        p.drawEllipse(9, 0, 5, 5);
        p.drawLine(9, 3, 3, 3);
        p.drawLine(4, 3, 4, 5);
        p.drawLine(6, 3, 6, 4);
    }
    pm.setMask(pm.createMaskFromColor(QColor(255, 0, 255), Qt::MaskInColor));
    return pm;
}

QPixmap DrawFolder(int size, bool open) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 16.0;
    const QColor edge(168, 120, 20);
    p.setPen(QPen(edge, std::max<qreal>(1.0, s * 0.8)));
    p.setBrush(QColor(240, 196, 80));
    QPainterPath back;
    back.moveTo(1 * s, 3 * s);
    back.lineTo(6 * s, 3 * s);
    back.lineTo(7.5 * s, 4.5 * s);
    back.lineTo(15 * s, 4.5 * s);
    back.lineTo(15 * s, 13.5 * s);
    back.lineTo(1 * s, 13.5 * s);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(252, 220, 120));
    QPainterPath front;
    if (open) {
        front.moveTo(3.5 * s, 7 * s);
        front.lineTo(15.5 * s, 7 * s);
        front.lineTo(13 * s, 13.5 * s);
        front.lineTo(1 * s, 13.5 * s);
    } else {
        front.moveTo(1 * s, 6.5 * s);
        front.lineTo(15 * s, 6.5 * s);
        front.lineTo(15 * s, 13.5 * s);
        front.lineTo(1 * s, 13.5 * s);
    }
    front.closeSubpath();
    p.drawPath(front);
    return pm;
}

QPixmap DrawDocument(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 16.0;
    QPainterPath page;
    page.moveTo(3 * s, 1 * s);
    page.lineTo(10 * s, 1 * s);
    page.lineTo(13.5 * s, 4.5 * s);
    page.lineTo(13.5 * s, 15 * s);
    page.lineTo(3 * s, 15 * s);
    page.closeSubpath();
    p.setPen(QPen(QColor(100, 110, 124), std::max<qreal>(1.0, s * 0.7)));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(210, 216, 226));
    QPainterPath fold;
    fold.moveTo(10 * s, 1 * s);
    fold.lineTo(10 * s, 4.5 * s);
    fold.lineTo(13.5 * s, 4.5 * s);
    fold.closeSubpath();
    p.drawPath(fold);
    p.setPen(QPen(QColor(150, 160, 176), std::max<qreal>(1.0, s * 0.6)));
    for (qreal y = 7; y <= 13; y += 2) p.drawLine(QPointF(5 * s, y * s), QPointF(11.5 * s, y * s));
    return pm;
}

QPixmap DrawProgram(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 84, 140));
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    p.translate(size * 0.1, size * 0.08);
    DrawPadlock(p, size * 0.8, QColor(232, 184, 64), QColor(214, 220, 228));
    return pm;
}

// 381 × 247: a dark band with the padlock and the product's name, a light page below it for
// the about box's texts.
QPixmap DrawAboutPicture() {
    constexpr int kWidth = 381;
    constexpr int kHeight = 247;
    constexpr int kBand = 96;
    QPixmap picture(kWidth, kHeight);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient page(0, 0, 0, kHeight);
    page.setColorAt(0.0, QColor(244, 247, 251));
    page.setColorAt(1.0, QColor(214, 224, 238));
    p.fillRect(picture.rect(), page);
    QLinearGradient band(0, 0, kWidth, 0);
    band.setColorAt(0.0, QColor(24, 52, 96));
    band.setColorAt(1.0, QColor(38, 100, 150));
    p.fillRect(QRect(0, 0, kWidth, kBand), band);
    p.fillRect(QRect(0, kBand, kWidth, 3), QColor(224, 164, 48));

    p.save();
    p.translate(18, 16);
    DrawPadlock(p, 60, QColor(224, 164, 48), QColor(236, 236, 240));
    p.restore();

    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(88, 20, 286, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Lockchamber"));
    QFont subtitle(QStringLiteral("Sans Serif"));
    subtitle.setPixelSize(15);
    p.setFont(subtitle);
    p.setPen(QColor(200, 220, 240));
    p.drawText(QRect(90, 54, 286, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("Fortalice\xC2\xAE Portable Reader"));
    // A faint stack of disks in the page's corner, clear of the texts.
    p.setPen(QPen(QColor(186, 200, 222), 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(300, 192 + i * 13, 64, 20));
    return picture;
}

QIcon IconSet(const std::function<QPixmap(int)>& draw) {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(draw(size));
    return icon;
}

}  // namespace

QPixmap Artwork::Bitmap(int id) {
    switch (id) {
        case kBanner:
            return DrawBanner();
        case kFiller:
            return DrawFiller();
        case kVolume:
            return DrawVolume();
        case kAboutPicture:
            return DrawAboutPicture();
        default:
            return {};
    }
}

QIcon Artwork::Icon(int id) {
    switch (id) {
        case kProgramIcon:
            return IconSet(DrawProgram);
        case kClosedFolder:
            return IconSet([](int size) { return DrawFolder(size, false); });
        case kOpenFolder:
            return IconSet([](int size) { return DrawFolder(size, true); });
        case kDocument:
            return IconSet(DrawDocument);
        default:
            return {};
    }
}

}  // namespace lc
