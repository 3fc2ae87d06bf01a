#include "HelpLauncher.h"

#include "Prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
// Types the Help button leaves alone: these open in viewers that do not know help topics.
bool isPlainDocument(const QString &type)
{
    static const QStringList kPlain{QStringLiteral(".TXT"), QStringLiteral(".RTF"),
                                    QStringLiteral(".BMP"), QStringLiteral(".GIF"),
                                    QStringLiteral(".JPG"), QStringLiteral(".HTM"),
                                    QStringLiteral("HTML")};
    return kPlain.contains(type);
}
} // namespace

HelpLauncher::HelpLauncher(Prompt &prompt, QString appFolder)
    : m_prompt(prompt)
    , m_appFolder(std::move(appFolder))
{
}

void HelpLauncher::help(const QString &msgHelpFile)
{
    if (msgHelpFile.isEmpty()) {
        m_prompt.message(QStringLiteral("No help available !"));
        return;
    }
    const QString file = fileOf(msgHelpFile);
    const QString type = typeOf(file);
    if (type == QStringLiteral(".HLP")) {
        open(file); // an old help file: whatever opens it reports its own trouble
        return;
    }
    if (isPlainDocument(type))
        return;
    const int result = open(file);
    if (result < kOpened)
        m_prompt.message(resultText(result, file));
}

int HelpLauncher::open(const QString &file) const
{
    const QFileInfo info(resolve(file));
    if (!info.exists())
        return info.dir().exists() ? 2 : 3;
    if (!info.isReadable())
        return 5;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kOpened : 31;
}

QString HelpLauncher::resolve(const QString &file) const
{
    QString path = file;
    path.replace(u'\\', u'/');
    return QDir(m_appFolder).absoluteFilePath(path);
}

QString HelpLauncher::fileOf(const QString &msgHelpFile)
{
    return msgHelpFile.section(u'#', 0, 0);
}

QString HelpLauncher::typeOf(const QString &file)
{
    return file.right(4).toUpper();
}

QString HelpLauncher::resultText(int result, const QString &file)
{
    switch (result) {
    case 2:
        return QStringLiteral("File not found <") + file + u'>';
    case 3:
        return QStringLiteral("Path not found");
    case 5:
        return QStringLiteral("Access denied");
    case 8:
        return QStringLiteral("Out of memory");
    case 11:
        return QStringLiteral("Invalid EXE file or error in EXE image");
    case 26:
        return QStringLiteral("A sharing violation occurred");
    case 27:
        return QStringLiteral("Incomplete or invalid file association");
    case 28:
        return QStringLiteral("DDE Time out");
    case 29:
        return QStringLiteral("DDE transaction failed");
    case 30:
        return QStringLiteral("DDE busy");
    case 31:
        return QStringLiteral("No association for file extension");
    case 32:
        return QStringLiteral("DLL not found");
    default:
        return QStringLiteral("Unknown error");
    }
}
