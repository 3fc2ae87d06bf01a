#include "ManagerBus.h"

#include "MessageSink.h"
#include "OptionStore.h"

ManagerBus::Kind ManagerBus::configured(OptionStore &options, Kind programDefault,
                                        MessageSink &messages)
{
    const QString value =
        options.getOption(QStringLiteral("Bus"), QStringLiteral("Server manager")).trimmed();
    if (value.isEmpty())
        return programDefault;
    if (const auto kind = parse(value))
        return *kind;
    messages.addMessage(1,
                        QStringLiteral("Registry option \"Bus\" (area \"Server manager\") is \"") +
                            value +
                            QStringLiteral("\": not session, system or none. The station looks "
                                           "for no server manager."),
                        QString(), 0, false, QString());
    return Kind::None;
}

std::optional<ManagerBus::Kind> ManagerBus::parse(const QString &value)
{
    const QString word = value.trimmed().toLower();
    if (word == QLatin1String("session"))
        return Kind::Session;
    if (word == QLatin1String("system"))
        return Kind::System;
    if (word == QLatin1String("none"))
        return Kind::None;
    return std::nullopt;
}

std::optional<QDBusConnection> ManagerBus::open(Kind kind)
{
    switch (kind) {
    case Kind::Session:
        return QDBusConnection::sessionBus();
    case Kind::System:
        return QDBusConnection::systemBus();
    case Kind::None:
        break;
    }
    return std::nullopt;
}
