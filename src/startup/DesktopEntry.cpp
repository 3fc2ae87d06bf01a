#include "DesktopEntry.h"

#include <QStringList>

namespace DesktopEntry {

QString execArgument(const QString &programPath)
{
    QString argument;
    for (QChar c : programPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            argument += u'\\';
        argument += c;
    }
    argument = u'"' + argument + u'"';
    // A reader undoes the string escapes before it splits the command line.
    argument.replace(u'\\', QLatin1String("\\\\"));
    argument.replace(u'\n', QLatin1String("\\n"));
    argument.replace(u'\t', QLatin1String("\\t"));
    argument.replace(u'\r', QLatin1String("\\r"));
    argument.replace(u'%', QLatin1String("%%"));
    return argument;
}

QByteArray text(const QString &programPath, const QString &mimeType)
{
    const QStringList lines = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Version=1.4"),
        QStringLiteral("Name=Etikor"),
        QStringLiteral("GenericName=Print-data server"),
        QStringLiteral("GenericName[de]=Server für Druckdaten"),
        QStringLiteral("Comment=Prints what the production machine asks for"),
        QStringLiteral("Comment[de]=Druckt, was die Maschinensteuerung anfordert"),
        QStringLiteral("Exec=") + execArgument(programPath) + QLatin1String(" %f"),
        QStringLiteral("Icon=printer"),
        QStringLiteral("Terminal=false"),
        QStringLiteral("MimeType=") + mimeType + u';',
        QStringLiteral("Categories=Utility;"),
    };
    return (lines.join(u'\n') + u'\n').toUtf8();
}

} // namespace DesktopEntry
