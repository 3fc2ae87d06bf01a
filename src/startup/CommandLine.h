#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: register the file type, or run with a configuration.
struct CommandLineChoice {
    bool registerFileType = false;
    QString configPath;
};

namespace CommandLine {
// The argument list: index 0 empty, arguments at 1..n, at most limit of them. The system
// hands the arguments over already split (a file manager passes a path with blanks as one
// argument), so each non-empty one is taken whole; quotes are left for chooseConfiguration.
QStringList getCommandLine(const QStringList &arguments, int limit = 10);
// Looks at argument 1 only: "-REGSERVER"/"/REGSERVER" in any case asks for registration;
// a text longer than 5 characters holding ".DCNF" anywhere (any case) is the configuration,
// stripped of a leading quote and of everything from a later quote on. Otherwise the
// default "Etikor.dcnf" in the application folder.
CommandLineChoice chooseConfiguration(const QStringList &list, const QString &appFolder);
QString defaultConfigPath(const QString &appFolder);
} // namespace CommandLine
