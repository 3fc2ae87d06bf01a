#pragma once

#include <QSettings>
#include <QString>

// The QSettings format of the registry store file: a regedit export (see RegistryFileParser
// and RegistryFileWriter). Each value in the settings map is a RegistryValue.
//
// A file that does not parse reads as one entry that holds the parser's error. QSettings
// reports a format error only to the first object that reads a file; later objects get its
// cached contents. The entry travels with those contents, so every reader sees the error.
namespace RegistryFormat {
// Registered with QSettings on first use.
QSettings::Format format();
QString header();
// Where the file failed to parse, or an empty text when it parsed.
QString parseError(const QSettings &settings);
} // namespace RegistryFormat
