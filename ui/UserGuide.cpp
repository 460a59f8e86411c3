#include "ui/UserGuide.h"

#include <algorithm>

#include <QDesktopServices>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

// The resource is compiled into this static library: naming its initialiser links it in.
static void InitGuideResource() {
    Q_INIT_RESOURCE(user_guide);
}

namespace tavik {

namespace {

constexpr const char* kEmbeddedReadme = ":/guide/README.md";
constexpr int kWidth = 760;
constexpr int kHeight = 620;
constexpr int kMargin = 12;

bool IsTableLine(const QString& line) {
    return line.trimmed().startsWith(QLatin1Char('|'));
}

// A table line with no text in any cell (pictures taken out, or the separator row).
bool IsEmptyTableLine(const QString& line) {
    static const QRegularExpression kCellFiller(QStringLiteral("[|:\\-\\s]"));
    return QString(line).remove(kCellFiller).isEmpty();
}

}  // namespace

QString UserGuideMarkdown(const QString& readme) {
    static const QRegularExpression kPicture(QStringLiteral("!\\[[^\\]]*\\]\\([^)]*\\)"));
    QStringList lines;
    QStringList table;  // the table being read, kept when a cell holds text
    const auto endTable = [&] {
        if (!std::all_of(table.begin(), table.end(), IsEmptyTableLine)) {
            lines += table;
        }
        table.clear();
    };
    for (const QString& raw : readme.split(QLatin1Char('\n'))) {
        if (raw.startsWith(QStringLiteral("## Layout")) ||
            raw.startsWith(QStringLiteral("## Builds"))) {
            break;
        }
        const QString line = QString(raw).remove(kPicture);
        if (IsTableLine(raw)) {
            table.append(line);
            continue;
        }
        endTable();
        if (line.trimmed().isEmpty() && !raw.trimmed().isEmpty()) {
            continue;  // a line of pictures only
        }
        lines.append(line);
    }
    endTable();
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
        lines.removeLast();
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString EmbeddedReadme() {
    InitGuideResource();
    QFile file(QString::fromLatin1(kEmbeddedReadme));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

CUserGuide::CUserGuide(QWidget* parent) : QDialog(parent), m_pBrowser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("TAVIK User Guide"));
    setObjectName(QStringLiteral("user guide"));
    m_pBrowser->document()->setDocumentMargin(kMargin);
    m_pBrowser->setMarkdown(UserGuideMarkdown(EmbeddedReadme()));
    // Links within the guide scroll; links to the web open in the browser; the README's links
    // to files of the source tree lead nowhere here.
    m_pBrowser->setOpenLinks(false);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https")) {
            QDesktopServices::openUrl(url);
        } else if (url.hasFragment() && url.path().isEmpty()) {
            m_pBrowser->scrollToAnchor(url.fragment());
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pBrowser);
    resize(kWidth, kHeight);
}

}  // namespace tavik
