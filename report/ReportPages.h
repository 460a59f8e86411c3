#pragma once

#include <memory>

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>

namespace tavik {

// The pages of a report PDF: A4 portrait at 120 units per inch (the charts' fonts are sized in
// pixels and read well at that scale), content placed top to bottom with a new page when a
// block does not fit, and a footer line on every page. The file is written under a temporary
// name and takes its name only when complete.
class CReportPages {
public:
    static constexpr int kDotsPerInch = 120;

    // Throws CReportError when the file cannot be made.
    CReportPages(const QString& path, const QString& title, const QString& creator,
                 const QString& footer);
    ~CReportPages();
    CReportPages(const CReportPages&) = delete;
    CReportPages& operator=(const CReportPages&) = delete;

    QPainter& Painter() { return m_painter; }
    int Width() const { return m_nWidth; }
    int Top() const { return m_nY; }
    int PageCount() const { return m_nPage; }
    // The top of a block of `height` units: here when it fits on this page (or the page is
    // still empty), else at the top of a new page.
    int Place(int height);
    // Moves below a placed block.
    void Advance(int height) { m_nY += height; }
    void NewPage();
    // Ends this page and begins the next with running texts of its own from there on: `header`
    // above the content of each page (none when empty) and `footer`.
    void NewSection(const QString& header, const QString& footer);
    // Ends the last page and commits the file; throws CReportError when writing failed.
    void Finish();

    // The body font in `points` (Arial, or its metric twin when Arial is not installed).
    static QFont Font(double points, bool bold = false);

private:
    void BeginPage();
    void DrawHeader();
    void DrawFooter();

    QSaveFile m_file;
    std::unique_ptr<QPdfWriter> m_pWriter;
    QPainter m_painter;
    QString m_strHeader;
    QString m_strFooter;
    int m_nWidth = 0;
    int m_nBottom = 0;  // the content's lower edge, above the footer
    int m_nY = 0;
    int m_nPage = 1;
    bool m_bPageEmpty = true;
};

}  // namespace tavik
