#include "ConfigFile.h"

#include "Ansi.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <unistd.h>

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Rewrites a file in place, on the disk when it returns; one that cannot take the new content
// gets its old content back.
bool writeInPlace(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return fail(error, file.errorString());
    const QByteArray old = file.readAll();
    const auto put = [&file](const QByteArray &content) {
        return file.seek(0) && file.write(content) == content.size() &&
               file.resize(content.size()) && file.flush() && ::fsync(file.handle()) == 0;
    };
    if (put(bytes))
        return true;
    const QString why = file.errorString();
    put(old);
    return fail(error, why);
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Reads one item at pos and leaves pos behind its delimiter.
class ItemReader {
public:
    explicit ItemReader(const QString &text)
        : m_text(text)
    {
    }

    // After a comma only blanks are skipped: a line end there closes an empty item.
    bool atEnd()
    {
        skipWhitespace(!m_afterComma);
        return m_pos >= m_text.size();
    }

    QString next()
    {
        skipWhitespace(!m_afterComma);
        if (m_pos < m_text.size() && m_text[m_pos] == u'"')
            return quoted();
        return bare();
    }

private:
    void skipWhitespace(bool lineEndsToo)
    {
        while (m_pos < m_text.size() &&
               (isBlank(m_text[m_pos]) || (lineEndsToo && isLineEnd(m_text[m_pos]))))
            ++m_pos;
    }

    // Two double quotes in a row inside the quotes stand for one that belongs to the text.
    QString quoted()
    {
        QString item;
        qsizetype start = ++m_pos;
        qsizetype close = m_text.indexOf(u'"', start);
        while (close >= 0 && close + 1 < m_text.size() && m_text[close + 1] == u'"') {
            item += QStringView(m_text).mid(start, close + 1 - start);
            start = close + 2;
            close = m_text.indexOf(u'"', start);
        }
        if (close < 0)
            close = m_text.size();
        item += QStringView(m_text).mid(start, close - start);
        m_pos = close + 1;
        // Anything between the closing quote and the delimiter is not part of the item.
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        consumeDelimiter();
        return item;
    }

    QString bare()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        const QString item = m_text.mid(start, m_pos - start).trimmed();
        consumeDelimiter();
        return item;
    }

    void consumeDelimiter()
    {
        m_afterComma = false;
        if (m_pos >= m_text.size())
            return;
        if (m_text[m_pos] == u',') {
            ++m_pos;
            m_afterComma = true;
            return;
        }
        if (m_text[m_pos] == u'\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == u'\n')
            ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
    bool m_afterComma = false;
};

QString decodeFile(const QByteArray &bytes)
{
    // An editor on this system may have saved the file as UTF-8 with a byte-order mark.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return Ansi::decode(bytes);
}

} // namespace

namespace ConfigFile {

QHash<QString, QString> parse(const QString &text)
{
    QHash<QString, QString> dict;
    ItemReader reader(text);
    while (!reader.atEnd()) {
        const QString key = reader.next();
        const QString value = reader.atEnd() ? QString() : reader.next();
        if (!key.isEmpty())
            dict.insert(key, value);
    }
    return dict;
}

std::optional<QHash<QString, QString>> read(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return parse(decodeFile(bytes));
    }
    if (error)
        *error = file.errorString();
    return std::nullopt;
}

QByteArray format(const QList<Record> &records)
{
    QString text;
    for (const Record &r : records) {
        text += u'"' + r.key + QStringLiteral("\",");
        // A double quote in a text is written twice. Windows stations never wrote one (their
        // files could not hold it), so every file they wrote stays byte for byte the same.
        if (r.value.typeId() == QMetaType::QString) {
            QString value = r.value.toString();
            text += u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
        } else {
            text += QString::number(r.value.toInt());
        }
        text += QStringLiteral("\r\n");
    }
    return Ansi::encode(text);
}

bool write(const QString &path, const QList<Record> &records, QString *error)
{
    const QByteArray bytes = format(records);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        if (file.write(bytes) == bytes.size() && file.commit())
            return true;
        return fail(error, file.errorString());
    }
    // The folder takes no new file, so the configuration cannot be replaced as a whole. The
    // file itself may still be writable, as the stations that wrote it in place expect.
    const QFileInfo info(path);
    if (info.isFile() && info.isWritable())
        return writeInPlace(path, bytes, error);
    return fail(error, file.errorString());
}

} // namespace ConfigFile
