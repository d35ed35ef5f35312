// Where the program keeps its two small files (Conf.ini, Recent.lst) and where it finds its content.
#pragma once

#include <QString>

namespace virmeya {

// The folder holding the running program.
QString programDir();

// Configuration folder: `override` when given (--config-dir); else the program folder when it is
// writable (a portable or build-tree run); else $XDG_CONFIG_HOME/virmeya (~/.config/virmeya).
QString configDir(const QString& override = {});

// Content root: `override` (--content); else $VIRMEYA_CONTENT; else the program folder when it holds
// Data/; else <program folder>/content; else <program folder>/../share/virmeya.
QString contentRoot(const QString& override = {});

}  // namespace virmeya
