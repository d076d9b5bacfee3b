#include "views/CAboutDlg.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "platform/Locale.h"
#include "views/DesktopLauncher.h"

namespace lc {

namespace {

// Dialog 202 in dialog units: 255 × 148, laid over the 381 × 247 picture.
constexpr int kDialogWidth = 255;
constexpr int kDialogHeight = 148;
constexpr uint32_t kNoId = 0xFFFF;

struct AboutControl {
    uint32_t id;
    int x, y, width, height;
    bool centred;
    const char* english;
    const char* german;
};

constexpr AboutControl kControls[] = {
    {kNoId, 20, 68, 77, 9, false, "\xC2\xA9 2004-2026", "\xC2\xA9 2004-2026"},
    {kNoId, 20, 90, 218, 19, false,
     "A utility that extracts files from an encrypted virtual drive, without installing "
     "anything.",
     "Ein Programm, das Dateien aus einem verschl\xC3\xBCsselten virtuellen Laufwerk "
     "extrahiert, ohne Installation."},
    {kNoId, 20, 76, 77, 9, false, "Kelmora Software", "Kelmora Software"},
    {kNoId, 20, 110, 102, 16, false, "More about our products:",
     "Mehr \xC3\xBC"
     "ber unsere Produkte:"},
    {CAboutDlg::kLinkId, 20, 126, 108, 10, false, "www.kelmora.example", "www.kelmora.example"},
    {CAboutDlg::kVersionId, 130, 65, 99, 8, true, "Version %s", "Version %s"},
};

QRect ToPixels(const AboutControl& c) {
    auto sx = [](int v) { return v * CAboutDlg::kPictureWidth / kDialogWidth; };
    auto sy = [](int v) { return v * CAboutDlg::kPictureHeight / kDialogHeight; };
    return QRect(sx(c.x), sy(c.y), sx(c.width), sy(c.height));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CLCAbout(parent), m_picture(DrawPicture()) {
    setFixedSize(kPictureWidth, kPictureHeight);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    const bool german = UserLanguage() == Language::German;
    for (const AboutControl& c : kControls) {
        auto* label = new QLabel(QString::fromUtf8(german ? c.german : c.english), this);
        label->setGeometry(ToPixels(c));
        label->setWordWrap(c.height > 12);
        if (c.centred) label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        if (c.id == kLinkId) m_link = label;
        if (c.id == kVersionId) m_version = label;
    }
    InitDialog();
    // The template's text is the format of the version line.
    m_version->setText(QString::asprintf(m_version->text().toUtf8().constData(), kVersion));
    m_bHandCursor = true;
}

QLabel* CAboutDlg::Control(uint32_t id) const {
    if (id == kLinkId) return m_link;
    if (id == kVersionId) return m_version;
    return nullptr;
}

bool CAboutDlg::IsBoldText(const QWidget* window) const {
    return window != nullptr && window == m_version;
}

bool CAboutDlg::IsLinkText(const QWidget* window) const {
    return window != nullptr && window == m_link;
}

QWidget* CAboutDlg::LinkWindow() const {
    return m_link;
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture);
}

void CAboutDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_bMoved) {
        const QPoint global = event->globalPosition().toPoint();
        if (m_link != nullptr &&
            QRect(m_link->mapToGlobal(QPoint(0, 0)), m_link->size()).contains(global)) {
            DesktopLauncher::OpenAddress(m_link->text());
        }
        done(1);
    }
    CLCAbout::mouseReleaseEvent(event);
}

QPixmap CAboutDlg::DrawPicture() {
    QPixmap picture(kPictureWidth, kPictureHeight);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // A light page below a dark band; the texts stand on the light part.
    QLinearGradient page(0, 0, 0, kPictureHeight);
    page.setColorAt(0.0, QColor(244, 247, 251));
    page.setColorAt(1.0, QColor(214, 224, 238));
    p.fillRect(picture.rect(), page);
    const QRect band(0, 0, kPictureWidth, 96);
    QLinearGradient dark(0, 0, kPictureWidth, 0);
    dark.setColorAt(0.0, QColor(18, 38, 74));
    dark.setColorAt(1.0, QColor(32, 92, 132));
    p.fillRect(band, dark);
    p.fillRect(QRect(0, band.bottom() + 1, kPictureWidth, 3), QColor(224, 164, 48));

    // A padlock.
    const QRectF body(26, 38, 40, 34);
    p.setPen(QPen(QColor(224, 164, 48), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(33, 16, 26, 40), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(224, 164, 48));
    p.drawRoundedRect(body, 5, 5);
    p.setBrush(QColor(18, 38, 74));
    p.drawEllipse(QPointF(46, 51), 4.5, 4.5);
    p.drawRect(QRectF(44, 53, 4, 11));

    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(84, 20, 290, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Lockchamber"));
    QFont subtitle(QStringLiteral("Sans Serif"));
    subtitle.setPixelSize(15);
    p.setFont(subtitle);
    p.setPen(QColor(200, 220, 240));
    p.drawText(QRect(86, 54, 290, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("Fortalice\xC2\xAE Portable Reader"));
    // A faint stack of disks in the corner of the page.
    p.setPen(QPen(QColor(180, 196, 220), 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(290, 150 + i * 18, 70, 22));
    return picture;
}

}  // namespace lc
