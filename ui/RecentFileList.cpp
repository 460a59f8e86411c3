#include "ui/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace tavik {

namespace {

const QString kSection = QStringLiteral("Recent File List");
const QString kResultFolderKey = QStringLiteral("Settings/ResultFolder");
const QString kRecordingsFolderKey = QStringLiteral("Settings/RecordingsFolder");
const QString kReceiverKey = QStringLiteral("Settings/Receiver");
const QString kMeasurementViewKey = QStringLiteral("Settings/MeasurementView");

QString Key(int index) {
    return QStringLiteral("%1/File%2").arg(kSection).arg(index + 1);
}

// The same file however it was named.
QString Canonical(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

}  // namespace

CRecentFileList::CRecentFileList() {
    const QSettings settings;
    for (int i = 0; i < kMaxFiles; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty()) {
            m_files.append(path);
        }
    }
}

void CRecentFileList::Add(const QString& path) {
    const QString file = Canonical(path);
    m_files.removeAll(file);
    m_files.prepend(file);
    while (m_files.size() > kMaxFiles) {
        m_files.removeLast();
    }
    Save();
}

void CRecentFileList::Remove(const QString& path) {
    m_files.removeAll(Canonical(path));
    Save();
}

void CRecentFileList::Save() const {
    QSettings settings;
    for (int i = 0; i < kMaxFiles; ++i) {
        if (i < m_files.size()) {
            settings.setValue(Key(i), m_files[i]);
        } else {
            settings.remove(Key(i));
        }
    }
}

QString RememberedResultFolder() {
    return QSettings().value(kResultFolderKey).toString();
}

void RememberResultFolder(const QString& folder) {
    QSettings().setValue(kResultFolderKey, folder);
}

QString RememberedRecordingsFolder() {
    return QSettings().value(kRecordingsFolderKey).toString();
}

void RememberRecordingsFolder(const QString& folder) {
    QSettings().setValue(kRecordingsFolderKey, folder);
}

QString RememberedReceiver() {
    return QSettings().value(kReceiverKey).toString();
}

void RememberReceiver(const QString& receiver) {
    QSettings().setValue(kReceiverKey, receiver);
}

int RememberedMeasurementView(int fallback) {
    bool ok = false;
    const int view = QSettings().value(kMeasurementViewKey).toInt(&ok);
    return ok ? view : fallback;
}

void RememberMeasurementView(int view) {
    QSettings().setValue(kMeasurementViewKey, view);
}

}  // namespace tavik
