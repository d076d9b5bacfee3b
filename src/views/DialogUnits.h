// Dialog units to pixels through a font's average character size, as the platform converts
// dialog templates: x × average width / 4, y × height / 8.
#pragma once

#include <QFont>
#include <QRect>

namespace lc {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;
    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

}  // namespace lc
