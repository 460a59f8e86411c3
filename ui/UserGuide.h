#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace tavik {

// The README's part for users: from its top up to its "## Layout" section (the code's layout
// and the builds are for developers), without its pictures, which show the window the reader
// has in front of them. A table left with nothing but pictures goes with them.
QString UserGuideMarkdown(const QString& readme);

// The README of the source tree, embedded when the application was built.
QString EmbeddedReadme();

// Help > User Guide: the user guide in a window of its own beside the main window, so that the
// reader can try what it says.
class CUserGuide final : public QDialog {
    Q_OBJECT

public:
    explicit CUserGuide(QWidget* parent);

    const QTextBrowser& GetBrowser() const { return *m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
};

}  // namespace tavik
