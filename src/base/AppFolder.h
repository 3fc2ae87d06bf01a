#pragma once

#include <QString>

// The application folder: ETIKOR_HOME when set, else the folder of the executable. Log files,
// the default configuration and the image folders live below it.
namespace AppFolder {
QString path();
// The executable's file name without extension ("etikor", "etikord").
QString programName();
// Turns a path as a Windows station writes it into one this system can open: backslashes
// become slashes. Connection strings are not paths and must not be passed here.
QString toNative(const QString &path);
} // namespace AppFolder
