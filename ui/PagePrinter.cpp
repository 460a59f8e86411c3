#include "ui/PagePrinter.h"

#include <algorithm>

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

namespace tavik {

namespace {

constexpr int kPreviewShare = 90;  // percent of the main window's size

}  // namespace

CPagePrinter::CPagePrinter(QWidget* parent, PageSource page)
    : m_pParent(parent), m_page(std::move(page)), m_pPrinter(std::make_unique<QPrinter>()) {}

CPagePrinter::~CPagePrinter() = default;

void CPagePrinter::OnFilePrint() {
    QPrintDialog dialog(m_pPrinter.get(), m_pParent);
    if (dialog.exec() == QDialog::Accepted) {
        Print(*m_pPrinter);
    }
}

void CPagePrinter::OnFilePrintPreview() {
    QPrintPreviewDialog preview(m_pPrinter.get(), m_pParent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [this](QPrinter* printer) { Print(*printer); });
    // Opened at most of the window's size, so that the page reads without enlarging the box.
    if (m_pParent != nullptr) {
        preview.resize(m_pParent->window()->size() * kPreviewShare / 100);
    }
    preview.exec();
}

void CPagePrinter::OnFilePrintSetup() {
    QPageSetupDialog dialog(m_pPrinter.get(), m_pParent);
    dialog.exec();
}

void CPagePrinter::Print(QPrinter& printer) {
    QWidget* page = m_page();
    if (page == nullptr) {
        return;
    }
    QPainter painter(&printer);
    // The painter's origin is the top left of the printable area.
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    RenderPage(painter, *page, QRect(QPoint(0, 0), area.size()));
}

void CPagePrinter::RenderPage(QPainter& painter, QWidget& page, const QRect& area) {
    if (page.width() <= 0 || page.height() <= 0) {
        return;
    }
    const double scale = std::min(static_cast<double>(area.width()) / page.width(),
                                  static_cast<double>(area.height()) / page.height());
    painter.save();
    painter.translate(area.topLeft());
    painter.scale(scale, scale);
    page.render(&painter);
    painter.restore();
}

}  // namespace tavik
