// The program's own pictures, drawn at start-up instead of being loaded from files: banner 103,
// filler 228, volume picture 230, about-box picture 233, folder and document icons 212, 213, 222,
// program icon 101.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace lc {

class Artwork {
public:
    static constexpr int kProgramIcon = 101;
    static constexpr int kBanner = 103;
    static constexpr int kClosedFolder = 212;
    static constexpr int kOpenFolder = 213;
    static constexpr int kDocument = 222;
    static constexpr int kFiller = 228;
    static constexpr int kVolume = 230;
    static constexpr int kAboutPicture = 233;

    // Bitmap resources 103, 228, 230 (already with magenta made transparent) and 233 (381 × 247);
    // null pixmap for other ids.
    static QPixmap Bitmap(int id);
    // Icon resources 101, 212, 213 and 222 in 16 × 16 and 32 × 32; null icon for other ids.
    static QIcon Icon(int id);
};

}  // namespace lc
