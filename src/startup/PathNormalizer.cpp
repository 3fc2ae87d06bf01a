#include "PathNormalizer.h"

#include "AppFolder.h"
#include "AppSettings.h"
#include "Prompt.h"

const QString PathNormalizer::kPlaceholder = QStringLiteral("~apppath~");

namespace {
bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

// "\\server\share" or "//server/share".
bool isNetworkPath(const QString &p)
{
    return p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1]);
}

// Absolute on this system ("/...") or on the Windows station that wrote it ("D:...").
// A leading backslash alone is the stations' relative form.
bool isAbsolute(const QString &p)
{
    return p.startsWith(u'/') || (p.size() >= 2 && p[1] == u':');
}

// Prefix comparison without regard to case or to which separator either side uses.
bool startsWithFolder(const QString &path, const QString &folder)
{
    if (path.size() < folder.size())
        return false;
    QString head = path.left(folder.size());
    QString base = folder;
    head.replace(u'\\', u'/');
    base.replace(u'\\', u'/');
    return head.compare(base, Qt::CaseInsensitive) == 0;
}
} // namespace

bool PathNormalizer::endsWithServerFolder(const QString &dir)
{
    return dir.size() >= 7 && isSeparator(dir[dir.size() - 7]) &&
           dir.right(6).compare(QLatin1String("SERVER"), Qt::CaseInsensitive) == 0;
}

PathNormalizer::PathNormalizer(AppSettings &settings, Prompt &prompt, QString appFolder)
    : m_settings(settings)
    , m_prompt(prompt)
    , m_appFolder(std::move(appFolder))
{
}

// The folder part of the configuration path, taken from the text alone, as the path is used
// unchanged from the command line. A bare file name has none.
QString PathNormalizer::configFolder() const
{
    const QString &cfg = m_settings.configPath;
    qsizetype cut = cfg.size() - 1;
    while (cut >= 0 && !isSeparator(cfg[cut]))
        --cut;
    if (cut < 0)
        return {};
    return cut == 0 ? cfg.left(1) : cfg.left(cut);
}

QString PathNormalizer::normalizePath(const QString &input, QString &absolutePath)
{
    if (input.contains(QLatin1String("Provider"), Qt::CaseInsensitive)) {
        absolutePath = input;
        return input;
    }
    QString baseDir = configFolder();
    if (baseDir.isEmpty())
        baseDir = m_appFolder;
    m_settings.baseDir = baseDir;
    if (!endsWithServerFolder(baseDir)) {
        if (input.contains(kPlaceholder))
            m_prompt.message(QStringLiteral("Wrong Configpath found! ") + m_settings.configPath, {},
                             Prompt::Buttons::Ok, true);
        absolutePath = AppFolder::toNative(input);
        return input;
    }
    baseDir.chop(7);
    m_settings.baseDir = baseDir;

    QString path = input;
    path.replace(kPlaceholder, baseDir);
    absolutePath = AppFolder::toNative(path);
    if (path.isEmpty())
        return path;
    if (isNetworkPath(path)) {
        if (!isNetworkPath(baseDir))
            return path;
    } else if (!isAbsolute(path)) {
        absolutePath = AppFolder::toNative(baseDir + path);
        return path;
    }
    if (startsWithFolder(path, baseDir))
        return kPlaceholder + path.mid(baseDir.size());
    return path;
}
