// The two-pane splitter of the main frame. The right pane gets the owner frame's banner strip
// above it; the left pane keeps the full height.
#pragma once

#include <QSplitter>

namespace lc {

class LCFrame;

class LCSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit LCSplitter(QWidget* parent = nullptr);

    void SetOwnerFrame(LCFrame* frame) { m_pOwnerFrame = frame; }
    // Column 0: left; column 1: right, placed below the banner strip when an owner is set.
    void SetPanes(QWidget* left, QWidget* right);
    // The pane at row 0, column c as given to SetPanes.
    QWidget* GetPane(int column) const;

private:
    LCFrame* m_pOwnerFrame = nullptr;  // not owned
    QWidget* m_panes[2] = {nullptr, nullptr};
};

}  // namespace lc
