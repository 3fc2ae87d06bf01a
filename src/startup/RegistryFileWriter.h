#pragma once

#include <QSettings>

// Writes the store's values as a regedit export a plant engineer can read and compare with
// a Windows station: header line, one bracketed section per key (sorted, parents before
// children, the default value "@" first), CR LF line ends, UTF-8. REG_SZ data that are one
// line of text with their terminating zero are written quoted; every other value keeps its
// exact bytes as dword: or hex(n): data, so reading the file back gives the same values.
namespace RegistryFileWriter {
QByteArray write(const QSettings::SettingsMap &map);
} // namespace RegistryFileWriter
