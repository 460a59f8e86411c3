#pragma once

#include <functional>
#include <vector>

#include <QColor>
#include <QIcon>
#include <QString>
#include <QWidget>

namespace tavik {

// A column of large icons with labels. The item under the cursor is highlighted while the
// cursor is over the bar; releasing the left button over an item selects it and tells the
// owner (the navigation message: the item's list index and the bar's control identifier).
class CXTOutlookBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kControlId = 1001;
    static constexpr int kIconSize = 32;    // the system's standard icon size
    static constexpr int kItemHeight = 64;  // icon, label and spacing
    using Owner = std::function<void(int index, int controlId)>;

    explicit CXTOutlookBar(QWidget* parent = nullptr);

    // Appends an item and returns its list index.
    int AddMenuItem(const QIcon& icon, const QString& label);
    int InsertMenuItem(int index, const QIcon& icon, const QString& label);
    void SetOwner(Owner owner) { m_owner = std::move(owner); }
    void SetColors(const QColor& text, const QColor& background);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    const QString& GetLabel(int index) const { return m_items.at(index).strLabel; }
    int GetSelected() const { return m_nSelected; }
    // The item at a point of the bar, or -1.
    int ItemFromPoint(const QPoint& point) const;
    QRect ItemRect(int index) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct SItem {
        QIcon icon;
        QString strLabel;
    };
    void SetSelected(int index);

    std::vector<SItem> m_items;
    Owner m_owner;
    QColor m_textColor;
    QColor m_backColor;
    int m_nSelected = -1;  // highlighted item
    bool m_bPressed = false;
};

}  // namespace tavik
