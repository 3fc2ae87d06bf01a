#pragma once

#include <QSettings>
#include <QStringList>

// Reads a store file in the syntax of a regedit export: the header line, key sections in
// brackets, and "name"=data lines (quoted text, dword:, hex:, hex(n):, @ for the default
// value, long hex data continued with a trailing backslash). The file is UTF-8 (a UTF-16LE
// export with its byte-order mark and a Windows-1252 file load as well). Deleting entries
// ([-key], "name"=-) is not part of what the station writes and is refused.
class RegistryFileParser {
public:
    explicit RegistryFileParser(const QByteArray &file);

    // Fills map with one entry per value, plus one per key that holds no values (see
    // RegistrySettingsKey). False on the first syntax error; error() then says where.
    bool parse(QSettings::SettingsMap &map);
    QString error() const { return m_error; }

private:
    bool nextLine(QString &line);
    bool readHeader();
    bool readSection(const QString &line);
    bool readValue(const QString &line);
    bool readData(QString data, QVariant &value);
    bool readHexData(QString data, QVariant &value);
    void closeSection();
    bool fail(const QString &why);

    QStringList m_lines;
    qsizetype m_next = 0;
    QString m_section;
    bool m_sectionHasValues = false;
    QSettings::SettingsMap *m_map = nullptr;
    QString m_error;
};
