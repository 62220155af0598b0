// Where the files installed with the program lie: the default settings file
// "Zk.ini", the examples and the help pages stand beside the executable, or in
// share/varnok of the install prefix (bin/varnok and share/varnok/Zk.ini).
#pragma once

#include <QString>

namespace zk::ide {

// The first of <programDir>/<name> and <programDir>/../share/varnok/<name> that
// exists, as a clean absolute path; empty when neither does.
QString InstalledFile(const QString& programDir, const QString& name);

// The same for the running program, whose directory is that of its executable.
QString InstalledFile(const QString& name);

} // namespace zk::ide
