#pragma once

#include <QByteArray>
#include <QString>

// The freedesktop desktop entry that lets a file manager open the station's configuration
// files with the program.
namespace DesktopEntry {
// The program path as one Exec argument: quoted, with ", `, $ and \ escaped inside the
// quotes, then escaped once more as a desktop-entry string, and % doubled.
QString execArgument(const QString &programPath);
// The whole entry (UTF-8) for the program at programPath, handling mimeType.
QByteArray text(const QString &programPath, const QString &mimeType);
} // namespace DesktopEntry
