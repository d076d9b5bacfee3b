// Opens a file or an address with the application the desktop associates with it. xdg-open
// does it on every freedesktop desktop and also where Qt's platform plugin cannot (offscreen);
// without xdg-open, Qt's own desktop services are asked.
#pragma once

#include <QString>

namespace lc {

class DesktopLauncher {
public:
    // How long an opener may take to say that it failed before it is left to run on its own.
    static constexpr int kVerdictMilliseconds = 1500;

    // False when no opener could be started, or the opener reported failure within the verdict
    // time (no application for the type, a file it cannot read).
    static bool OpenFile(const QString& path);
    static bool OpenAddress(const QString& address);

private:
    static bool Open(const QString& target, bool isFile);
};

}  // namespace lc
