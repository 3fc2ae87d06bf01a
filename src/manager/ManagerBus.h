#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

class MessageSink;
class OptionStore;

// The bus a station looks for its server manager on. The desktop program looks on the
// session bus; the service, which usually has none, only where the registry option "Bus" in
// the area "Server manager" names one: "session", "system", or "none".
class ManagerBus {
public:
    enum class Kind { None, Session, System };

    // The configured kind; an empty option gives the program's default. The option is
    // written empty on the first start so that a plant engineer finds it in the registry.
    // A value that is none of the words is reported to the operator, and no manager is
    // looked for.
    static Kind configured(OptionStore &options, Kind programDefault, MessageSink &messages);
    // A value that is none of the three words is refused: no value.
    static std::optional<Kind> parse(const QString &value);
    // The connection to that bus; none for Kind::None.
    static std::optional<QDBusConnection> open(Kind kind);
};
