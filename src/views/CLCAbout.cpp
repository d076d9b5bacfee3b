#include "views/CLCAbout.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

namespace lc {

CLCAbout::CLCAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setMouseTracking(true);
}

void CLCAbout::InitDialog() {
    // Both fonts as high as the dialog font's ascent.
    QFont base = font();
    base.setPixelSize(QFontMetrics(font()).ascent());
    m_linkFont = base;
    m_linkFont.setUnderline(true);
    m_boldFont = base;
    m_boldFont.setUnderline(false);
    m_boldFont.setWeight(QFont::Bold);

    for (QLabel* label : findChildren<QLabel*>()) {
        // Clicks on a text are clicks on the box.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setAutoFillBackground(false);
        if (IsBoldText(label)) {
            label->setFont(m_boldFont);
        } else if (IsLinkText(label)) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
            label->setPalette(palette);
            label->setFont(m_linkFont);
        }
    }
}

void CLCAbout::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bDragging = true;
        m_downPoint = event->globalPosition().toPoint();
        m_downRect = frameGeometry();
        m_bMoved = false;
    }
    QDialog::mousePressEvent(event);
}

void CLCAbout::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    QWidget* link = LinkWindow();
    const bool overLink = m_bHandCursor && link != nullptr &&
                          QRect(link->mapToGlobal(QPoint(0, 0)), link->size()).contains(global);
    if (overLink) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    if (m_bDragging && global != m_downPoint) {
        move(m_downRect.topLeft() + (global - m_downPoint));
        update();
        m_bMoved = true;
    }
    QDialog::mouseMoveEvent(event);
}

void CLCAbout::mouseReleaseEvent(QMouseEvent* event) {
    m_bDragging = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace lc
