#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class MessageSink;
class RegistryStore;

// The steps every start takes before a station exists.
namespace Main {
// Records the installation in the registry, reads the command line and, when it asks for
// it, registers the ".dcnf" file type. Returns the configuration to run the station with, or
// nothing when this run ends after the registration. arguments: without the program name.
std::optional<QString> start(const QStringList &arguments, RegistryStore &store, MessageSink &sink,
                             const QString &appFolder);
} // namespace Main
