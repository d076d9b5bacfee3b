#include "views/LCPImageList.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>

#include "views/ImageList.h"

namespace lc {

namespace {

constexpr int kSmallSize = 16;
constexpr int kLargeSize = 32;
const QString kApplicationIcon = QStringLiteral("application-x-executable");
const QString kExecutableType = QStringLiteral("application/x-executable");

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Only A to Z are folded, as the table compares extensions.
bool SameExtension(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (FoldAscii(a.at(i).unicode()) != FoldAscii(b.at(i).unicode())) return false;
    }
    return true;
}

QStringList IconFolders() {
    QStringList folders;
    const QString home = QDir::homePath();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty()) dataHome = home + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/icons") << home + QStringLiteral("/.icons");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(u':', Qt::SkipEmptyParts)) {
        folders << dir + QStringLiteral("/icons");
    }
    return folders;
}

}  // namespace

void LCPImageList::EnsureIconTheme() {
    static bool done = false;
    if (done) return;
    done = true;
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QStringLiteral("hicolor")) return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder : IconFolders()) {
        if (!paths.contains(folder) && QFileInfo(folder).isDir()) paths << folder;
    }
    QIcon::setThemeSearchPaths(paths);
    for (const QString& theme :
         {QStringLiteral("Adwaita"), QStringLiteral("breeze"), QStringLiteral("hicolor")}) {
        for (const QString& folder : paths) {
            if (QFileInfo::exists(folder + u'/' + theme + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(theme);
                if (QIcon::fallbackThemeName().isEmpty())
                    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
                return;
            }
        }
    }
}

void LCPImageList::Initialize(ImageList* small, ImageList* large) {
    m_small = small;
    m_large = large;
    if (m_small == nullptr || m_large == nullptr) {
        m_small = nullptr;
        return;
    }
    EnsureIconTheme();
    m_extensions = QStringList(m_small->Count(), QString());
    const QIcon application = QIcon::fromTheme(kApplicationIcon);
    if (application.isNull()) return;
    m_small->Add(QIcon(application.pixmap(kSmallSize, kSmallSize)));
    const int index = m_large->Add(QIcon(application.pixmap(kLargeSize, kLargeSize)));
    if (index > 0) Remember(index, QStringLiteral(".exe"));
}

QString LCPImageList::ExtensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

int LCPImageList::IconFor(const std::u16string& name) {
    return IconFor(QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
}

int LCPImageList::IconFor(const QString& name) {
    const QString extension = ExtensionOf(name);
    // An empty extension meets the first empty entry, index 0.
    for (qsizetype i = 0; i < m_extensions.size(); ++i) {
        if (SameExtension(m_extensions.at(i), extension)) return static_cast<int>(i);
    }
    if (m_small == nullptr) return 0;
    return LookupDefaultIcon(extension);
}

int LCPImageList::LookupDefaultIcon(const QString& extension) {
    if (extension.size() < 2) return 0;
    static const QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(QStringLiteral("x") + extension, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) return 0;
    QIcon icon;
    // An executable's own picture lives inside the file; the generic one stands for it.
    if (type.name() == kExecutableType || type.inherits(kExecutableType)) {
        icon = QIcon::fromTheme(kApplicationIcon);
    } else {
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull()) return 0;
    const QPixmap small = icon.pixmap(kSmallSize, kSmallSize);
    const QPixmap large = icon.pixmap(kLargeSize, kLargeSize);
    if (small.isNull() || large.isNull()) return 0;
    m_large->Add(QIcon(large));
    const int index = m_small->Add(QIcon(small));
    // A failed lookup is not remembered: the next file of the type asks again.
    if (index > 0) Remember(index, extension);
    return index;
}

void LCPImageList::Remember(int index, const QString& extension) {
    while (m_extensions.size() <= index) m_extensions.append(QString());
    m_extensions[index] = extension;
}

}  // namespace lc
