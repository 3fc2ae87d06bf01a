#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

// One value as a Windows registry holds it: its type number and its data bytes, kept apart so
// that REG_SZ, REG_EXPAND_SZ and REG_DWORD survive a round trip through the store file.
// Text data are Windows-1252 bytes followed by one zero byte (length = characters + 1), the
// way the station always wrote them. That is also true of REG_EXPAND_SZ and REG_MULTI_SZ:
// their bytes are not UTF-16 as in a regedit 5.00 export of a real hive.
struct RegistryValue {
    enum Type : quint32 { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7 };

    Type type = None;
    QByteArray data;

    // The type rule for every text the station writes: REG_EXPAND_SZ when the text holds a
    // "%" and, further on, a second "%" with at least one character between the two;
    // otherwise REG_SZ. A lone "%" (as in the placeholder %1) keeps a text REG_SZ.
    static bool isExpandable(const QString &text);
    static RegistryValue fromText(const QString &text);
    static RegistryValue fromDword(qint32 value);

    // The data without their last byte (the terminating zero) as text.
    QString text() const;
    // The first four data bytes as a little-endian number; missing bytes count as zero.
    qint32 dword() const;

    friend bool operator==(const RegistryValue &, const RegistryValue &) = default;
};

Q_DECLARE_METATYPE(RegistryValue)
