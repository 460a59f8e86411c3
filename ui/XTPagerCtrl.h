#pragma once

#include <QWidget>

class QToolButton;

namespace tavik {

// A pager around one child taller than itself: the child keeps its full height and is
// scrolled up and down with two arrow buttons at the top and bottom edges, shown only while
// the child does not fit.
class CXTPagerCtrl final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kControlId = 1002;
    static constexpr int kScrollStep = 16;  // pixels per button step

    explicit CXTPagerCtrl(QWidget* parent = nullptr);

    void SetChild(QWidget* child);
    void SetButtonSize(int pixels);
    int GetPosition() const { return m_nPosition; }
    bool IsScrollable() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Scroll(int pixels);
    void Relayout();

    QWidget* m_pChild = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    int m_nButtonSize = 15;
    int m_nPosition = 0;  // pixels of the child scrolled out at the top
};

}  // namespace tavik
