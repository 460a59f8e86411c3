#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "document/TAVIKSDIDoc.h"
#include "report/DailyReport.h"
#include "report/ReportError.h"
#include "ui/MainFrame.h"

namespace tavik {

// The day is chosen by its result file; the log of the same day beside it and the open setup
// go in too, and the PDF is proposed next to them.
void CMainFrame::ExportReport() {
    std::string folder;
    m_pDoc->GetLogFolder(folder);
    const QString xml = QFileDialog::getOpenFileName(this, QStringLiteral("Export Report"),
                                                     QString::fromStdString(folder),
                                                     QStringLiteral("Result files (tavik*.xml)"));
    if (xml.isEmpty()) {
        return;
    }
    const QFileInfo info(xml);
    const QString pdf = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Report"),
        info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".pdf"),
        QStringLiteral("PDF (*.pdf)"));
    if (pdf.isEmpty()) {
        return;
    }
    m_pDoc->WriteOutResults();  // the seconds measured so far are in the day's file
    CReportOptions options;
    options.strResultFile = xml.toStdString();
    const QString log =
        info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".log");
    if (QFileInfo::exists(log)) {
        options.strLogFile = log.toStdString();
    }
    options.strOutFile = pdf.toStdString();
    // The setup open in the window gives the frequency and the operator, saved or not.
    options.openSetup = m_pDoc->GetProtocolHeaderRef();
    options.strSetupFile = m_pDoc->GetPathName();
    try {
        const CReportResult result = WriteDailyReport(options);
        QMessageBox::information(this, QStringLiteral("Export Report"),
                                 QStringLiteral("The report was written to %1 (%2 pages).")
                                     .arg(QString::fromStdString(result.strPath))
                                     .arg(result.nPages));
    } catch (const CReportError& e) {
        QMessageBox::warning(this, QStringLiteral("Export Report"), QString::fromUtf8(e.what()));
    }
}

}  // namespace tavik
