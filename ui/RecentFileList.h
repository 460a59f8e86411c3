#pragma once

#include <QString>
#include <QStringList>

namespace tavik {

// The recently used document files, newest first, kept in the application's settings under
// "Recent File List" as File1 .. File4.
class CRecentFileList {
public:
    static constexpr int kMaxFiles = 4;

    CRecentFileList();

    // Puts `path` first (moving it up when listed); the oldest falls off beyond four.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return m_files; }

private:
    void Save() const;

    QStringList m_files;
};

// The results folder last chosen in the application, which an unattended start logs into.
QString RememberedResultFolder();
void RememberResultFolder(const QString& folder);
// The recordings' folder chosen last with File > Open Recordings Folder...
QString RememberedRecordingsFolder();
void RememberRecordingsFolder(const QString& folder);
// The receiver chosen in the window ("" the recordings, else as --receiver takes it).
QString RememberedReceiver();
void RememberReceiver(const QString& receiver);
// The measurement view shown last (a page index of the data view), or `fallback` when none
// was remembered yet.
int RememberedMeasurementView(int fallback);
void RememberMeasurementView(int view);

}  // namespace tavik
