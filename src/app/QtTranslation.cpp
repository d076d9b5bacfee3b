#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "platform/Locale.h"

namespace lc {

namespace {

// Owned by the application object; gone with it.
QPointer<QTranslator> g_installed;

}  // namespace

bool QtTranslation::Install() {
    if (g_installed) {
        QCoreApplication::removeTranslator(g_installed);
        delete g_installed;
    }
    if (UserLanguage() != Language::German || QCoreApplication::instance() == nullptr) {
        return false;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    g_installed = translator;
    return true;
}

bool QtTranslation::IsInstalled() {
    return !g_installed.isNull();
}

}  // namespace lc
