// The recent-file list: at most four paths, newest first, kept in the settings store as values
// File1..File4 of key Software\Kelmora\<executable name>\Recent File List.
#pragma once

#include <QStringList>
#include <string>

namespace lc {

class SettingsStore;

class RecentFileList {
public:
    static constexpr int kSize = 4;

    explicit RecentFileList(const QString& applicationName);

    const std::string& Key() const { return m_key; }
    const QStringList& Entries() const { return m_entries; }

    // Reads File1..File4; missing values end the list.
    void Read(const SettingsStore& store);
    // Writes the entries and deletes the values of the free places.
    void Write(SettingsStore& store) const;

    // Moves the path to the top (adding it when new); the oldest falls off.
    void Add(const QString& path);
    void Remove(int index);

    // The menu text of an entry: "&1 " and the path, shortened in the middle when long.
    static QString MenuText(int index, const QString& path);

private:
    std::string m_key;
    QStringList m_entries;
};

}  // namespace lc
