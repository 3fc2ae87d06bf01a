#include "Main.h"

#include "FileAssociation.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMain, "etikor.startup")

namespace Main {

CommandLineChoice begin(const QStringList &arguments, Registry &registry,
                        const QString &appFolder)
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    registry.registerProgram(program.absolutePath(), program.fileName());
    return CommandLine::chooseConfiguration(CommandLine::getCommandLine(arguments), appFolder);
}

void registerFileType(RegistryStore &store, const QString &programPath)
{
    if (!FileAssociation(store).registerFileType(QStringLiteral("DCNF"), programPath))
        qCWarning(lcMain) << "the .dcnf file type was registered only in part";
}

} // namespace Main
