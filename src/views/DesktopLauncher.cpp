#include "views/DesktopLauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace lc {

bool DesktopLauncher::OpenFile(const QString& path) {
    return Open(path, true);
}

bool DesktopLauncher::OpenAddress(const QString& address) {
    return Open(address, false);
}

bool DesktopLauncher::Open(const QString& target, bool isFile) {
    const QUrl url = isFile ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);

    // Parented to the application, so it outlives this call and goes when it has finished.
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) process->deleteLater();
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(opener, {isFile ? target : url.toString()});
    if (!process->waitForStarted()) return false;
    if (!process->waitForFinished(kVerdictMilliseconds)) return true;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

}  // namespace lc
