#include "Main.h"

#include "CommandLine.h"
#include "FileAssociation.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMain, "etikor.startup")

namespace Main {

std::optional<QString> start(const QStringList &arguments, RegistryStore &store, MessageSink &sink,
                             const QString &appFolder)
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    Registry(store, sink).registerProgram(program.absolutePath(), program.fileName());
    const CommandLineChoice choice =
        CommandLine::chooseConfiguration(CommandLine::getCommandLine(arguments), appFolder);
    if (!choice.registerFileType)
        return choice.configPath;
    if (!FileAssociation(store).registerFileType(QStringLiteral("DCNF"),
                                                 program.absoluteFilePath()))
        qCWarning(lcMain) << "the .dcnf file type was registered only in part";
    return std::nullopt;
}

} // namespace Main
