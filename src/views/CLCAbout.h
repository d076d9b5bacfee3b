// A borderless dialog base for boxes drawn on a picture: a bold and an underlined font for
// texts its subclass names, texts drawn straight on the picture, a press-drag-release that moves
// the box, and a hand cursor over the link.
#pragma once

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>

namespace lc {

class CLCAbout : public QDialog {
    Q_OBJECT
public:
    explicit CLCAbout(QWidget* parent = nullptr);

    const QFont& BoldFont() const { return m_boldFont; }
    const QFont& LinkFont() const { return m_linkFont; }
    bool HasMoved() const { return m_bMoved; }

protected:
    // The text to emphasise, respectively the link; neither in the base.
    virtual bool IsBoldText(const QWidget* /*window*/) const { return false; }
    virtual bool IsLinkText(const QWidget* /*window*/) const { return false; }
    // The link control, for the cursor; none in the base.
    virtual QWidget* LinkWindow() const { return nullptr; }

    // Creates the fonts and colours the static texts; subclasses call it once their texts
    // exist.
    void InitDialog();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    bool m_bDragging = false;
    QPoint m_downPoint;
    QRect m_downRect;
    bool m_bMoved = false;
    bool m_bHandCursor = false;

private:
    QFont m_boldFont;
    QFont m_linkFont;
};

}  // namespace lc
