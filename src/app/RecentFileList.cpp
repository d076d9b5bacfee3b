#include "app/RecentFileList.h"

#include <QFileInfo>

#include "platform/SettingsStore.h"

namespace lc {

namespace {

constexpr int kMaxMenuPathLength = 48;

std::u16string ValueName(int index) {
    const std::string name = "File" + std::to_string(index + 1);
    return std::u16string(name.begin(), name.end());
}

}  // namespace

RecentFileList::RecentFileList(const QString& applicationName)
    : m_key("Software\\Kelmora\\" + applicationName.toStdString() + "\\Recent File List") {}

void RecentFileList::Read(const SettingsStore& store) {
    m_entries.clear();
    for (int i = 0; i < kSize; ++i) {
        std::string text;
        if (store.GetString(m_key, ValueName(i), text) != status::kSuccess || text.empty()) break;
        m_entries.append(QString::fromStdString(text));
    }
}

void RecentFileList::Write(SettingsStore& store) const {
    for (int i = 0; i < kSize; ++i) {
        if (i < m_entries.size()) {
            IgnoreStatus(store.SetString(m_key, ValueName(i), m_entries.at(i).toStdString()),
                         "an entry not stored only drops out of the next run's menu");
        } else {
            IgnoreStatus(store.DeleteValue(m_key, ValueName(i)), "most of these are absent");
        }
    }
}

void RecentFileList::Add(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    m_entries.removeAll(full);
    m_entries.prepend(full);
    while (m_entries.size() > kSize) m_entries.removeLast();
}

void RecentFileList::Remove(int index) {
    if (index >= 0 && index < m_entries.size()) m_entries.removeAt(index);
}

QString RecentFileList::MenuText(int index, const QString& path) {
    QString shown = path;
    if (shown.size() > kMaxMenuPathLength) {
        const QString name = QFileInfo(path).fileName();
        const qsizetype keep = std::max<qsizetype>(0, kMaxMenuPathLength - name.size() - 4);
        shown = path.left(keep) + QStringLiteral(".../") + name;
    }
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace lc
