#include "views/DialogUnits.h"

#include <QFontMetrics>

namespace lc {

namespace {
// MulDiv: rounded to the nearest integer.
int Scale(int value, int numerator, int denominator) {
    return static_cast<int>((static_cast<long long>(value) * numerator * 2 + denominator) /
                            (2LL * denominator));
}
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (alphabet / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return {Scale(x, m_baseX, 4), Scale(y, m_baseY, 8), Scale(width, m_baseX, 4),
            Scale(height, m_baseY, 8)};
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return {Scale(width, m_baseX, 4), Scale(height, m_baseY, 8)};
}

}  // namespace lc
