#include "views/CAboutDlg.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "platform/Locale.h"
#include "resources/Artwork.h"
#include "resources/DialogTemplates.h"
#include "views/DesktopLauncher.h"

namespace lc {

namespace {

// The template's dialog units mapped onto the picture, which is the box's client area.
QRect ToPixels(const DialogTemplate& t, const DialogControlTemplate& c) {
    auto sx = [&t](int v) { return v * CAboutDlg::kPictureWidth / t.width; };
    auto sy = [&t](int v) { return v * CAboutDlg::kPictureHeight / t.height; };
    return QRect(sx(c.x), sy(c.y), sx(c.width), sy(c.height));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : CLCAbout(parent), m_picture(Artwork::Bitmap(Artwork::kAboutPicture)) {
    setFixedSize(kPictureWidth, kPictureHeight);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    const DialogTemplate* t = FindDialogTemplate(dialog::kAbout);
    const Language language = UserLanguage();
    for (const auto& c : t->controls) {
        auto* label = new QLabel(QString::fromUtf8(c.Text(language)), this);
        label->setGeometry(ToPixels(*t, c));
        label->setWordWrap(c.height > 12);
        if (c.kind == DialogControlTemplate::Kind::CentredLabel)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
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

}  // namespace lc
