#pragma once

#include "OptionStore.h"

#include <QString>
#include <QVariant>

class MessageSink;
class RegistryStore;

// The station's registry operations: values under the key
// HKEY_LOCAL_MACHINE\Software\Vornhalt\<app>\<section>, the "Optionen" store of the product family
// and the program's own registration. Failures are queued as operator messages; nothing is raised.
class Registry : public OptionStore {
public:
    Registry(RegistryStore &store, MessageSink &sink);

    // Text by the type rule (REG_SZ or REG_EXPAND_SZ); 16-bit, 32-bit integers and booleans
    // as REG_DWORD (true is -1). Any other kind of value creates the key and stores nothing.
    void writeRegistry(const QString &app, const QString &section, const QString &key,
                       const QVariant &value);
    // REG_SZ and REG_MULTI_SZ as QString (without the terminating zero), REG_DWORD as qint32,
    // every other type (REG_EXPAND_SZ included) as the QByteArray of its data. A missing key
    // or value gives def; a store file that cannot be parsed is reported and gives an empty
    // QVariant.
    QVariant readRegistry(const QString &app, const QString &section, const QString &key,
                          const QVariant &def = QVariant::fromValue<qint16>(0));

    // An option of the product family, in area (empty: the family's own "Optionen"). A
    // missing option, or one holding exactly -1, is created as an empty text; the result is
    // then empty.
    QString getOption(const QString &key, const QString &area) override;
    void setOption(const QString &key, const QString &value, const QString &area) override;

    // Records where the station is installed and which file extension it owns. Runs at
    // every start, so "Server" names the program file that ran last: its full path (Linux
    // programs have no ".exe").
    void registerProgram(const QString &programFolder, const QString &programFileName);

private:
    void report(const QString &what, const QString &app, const QString &section,
                const QString &description);

    RegistryStore &m_store;
    MessageSink &m_sink;
};
