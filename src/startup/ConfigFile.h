#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// The on-disk form of a station configuration: Windows-1252 text with CR LF line ends, one
// record per line: the key in double quotes, a comma, and the value -- quoted text or a bare
// decimal integer. Stations on Windows and on this system share these files unchanged. A
// double quote inside a text is written as two, so every value reads back as it was written.
namespace ConfigFile {

struct Record {
    QString key;
    QVariant value; // QString: written quoted; int: written bare
};

// Splits the text into items separated by commas or line ends and pairs them up as key and
// value, whatever the line layout. A later record of the same key replaces an earlier one;
// records with an empty key are skipped. Keys keep their case.
QHash<QString, QString> parse(const QString &text);
// Reads and parses the file; no value when it cannot be opened or read, and error receives
// the system's description.
std::optional<QHash<QString, QString>> read(const QString &path, QString *error = nullptr);

QByteArray format(const QList<Record> &records);
// Writes all records or nothing: a half-written configuration never replaces a good one. A
// file in a folder that takes no new file is rewritten in place when it is writable, and
// given back its old content when that fails. On failure, error receives the system's
// description.
bool write(const QString &path, const QList<Record> &records, QString *error = nullptr);

} // namespace ConfigFile
