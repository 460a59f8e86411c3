#pragma once

#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QRect;
class QWidget;

namespace tavik {

// Print, Print Preview and Print Setup of the page shown in the item pane, through Qt's print
// support. The page is drawn as on screen, scaled to fit the printable area.
class CPagePrinter {
public:
    using PageSource = std::function<QWidget*()>;

    CPagePrinter(QWidget* parent, PageSource page);
    ~CPagePrinter();

    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();

    // Draws `page` into `painter`, scaled to fit `area` with its proportions kept.
    static void RenderPage(QPainter& painter, QWidget& page, const QRect& area);

private:
    void Print(QPrinter& printer);

    QWidget* m_pParent;
    PageSource m_page;
    std::unique_ptr<QPrinter> m_pPrinter;
};

}  // namespace tavik
