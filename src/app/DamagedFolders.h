// After a volume has opened: one message box naming the folders that could not be read whole.
#pragma once

#include <QString>

#include "fs/DirTree.h"

class QWidget;

namespace lc {

// String 32792 with the first ten damaged folders ('/'-separated paths below the root, then
// string 32793 for the rest) and the status text of the first failure; empty when there are none.
QString DamagedFoldersText(const DirTree& tree);

// Shows that text in a warning box captioned with the application title, if there is any.
void ReportDamagedFolders(QWidget* parent, const DirTree& tree);

}  // namespace lc
