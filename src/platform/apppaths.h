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
// The skin file beside the executable.
QString skinFile();
// The help page beside the executable.
QString helpPage();
}  // namespace AppPaths
