#pragma once

#include <QString>

// Where the program finds its files on this system.
namespace AppPaths {
// The folder of the running executable, without a trailing "/".
QString executableFolder();
// vantorel.ini in the user's configuration folder (honours XDG_CONFIG_HOME).
QString settingsFile();
// The user's Music folder: the default output folder.
QString defaultOutputFolder();
// The program's own files are looked for beside the executable (a build folder)
// and then in ../share/vantorel beside its folder (an installed program). Where
// neither has the file, the answer is the place beside the executable.
// The skin file, found from the running executable's folder or the one given.
QString skinFile();
QString skinFile(const QString &executableFolder);
// The help page, found the same way.
QString helpPage();
QString helpPage(const QString &executableFolder);
}  // namespace AppPaths
