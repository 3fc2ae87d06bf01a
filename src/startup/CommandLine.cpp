#include "CommandLine.h"

namespace {
QString stripQuotes(QString arg)
{
    if (arg.startsWith(u'"'))
        arg.remove(0, 1);
    const qsizetype quote = arg.indexOf(u'"', 1);
    if (quote >= 1)
        arg.truncate(quote);
    return arg;
}
} // namespace

namespace CommandLine {

QStringList getCommandLine(const QStringList &arguments, int limit)
{
    QStringList list{QString()};
    for (const QString &arg : arguments) {
        if (arg.isEmpty())
            continue;
        if (list.size() > limit)
            break;
        list.append(arg);
    }
    return list;
}

QString defaultConfigPath(const QString &appFolder)
{
    return appFolder + QStringLiteral("/Etikor.dcnf");
}

CommandLineChoice chooseConfiguration(const QStringList &list, const QString &appFolder)
{
    CommandLineChoice choice;
    choice.configPath = defaultConfigPath(appFolder);
    if (list.size() < 2 || list.at(1).isEmpty())
        return choice;
    const QString arg = list.at(1);
    const QString upper = arg.toUpper();
    if (upper == QLatin1String("-REGSERVER") || upper == QLatin1String("/REGSERVER"))
        choice.registerFileType = true;
    if (arg.size() > 5 && upper.contains(QLatin1String(".DCNF")))
        choice.configPath = stripQuotes(arg);
    return choice;
}

} // namespace CommandLine
