#pragma once

#include "CommandLine.h"

#include <QStringList>

class Registry;
class RegistryStore;

// The steps every start takes before a station exists.
namespace Main {
// Records the installation in the registry, reads the command line and chooses what to do.
// arguments: the command line without the program name.
CommandLineChoice begin(const QStringList &arguments, Registry &registry,
                        const QString &appFolder);
// The registration run: associates ".dcnf" files with the program at programPath.
void registerFileType(RegistryStore &store, const QString &programPath);
} // namespace Main
