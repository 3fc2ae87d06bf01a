#include "ConnectionString.h"

ConnectionString::ConnectionString(const QString &text)
{
    for (const QString &part : split(text)) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals < 0)
            continue;
        m_pairs.append({part.left(equals).trimmed(), unquoted(part.mid(equals + 1).trimmed())});
    }
}

QString ConnectionString::value(const QStringList &keys) const
{
    for (const QString &key : keys) {
        for (const Pair &pair : m_pairs) {
            if (pair.key.compare(key, Qt::CaseInsensitive) == 0)
                return pair.value;
        }
    }
    return {};
}

bool ConnectionString::contains(const QString &key) const
{
    for (const Pair &pair : m_pairs) {
        if (pair.key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Splits at every ";" that is not inside quotes or braces.
QList<QString> ConnectionString::split(const QString &text)
{
    QList<QString> parts;
    QString current;
    QChar closing;
    for (const QChar c : text) {
        if (!closing.isNull()) {
            if (c == closing)
                closing = QChar();
        } else if (c == u'"') {
            closing = u'"';
        } else if (c == u'{') {
            closing = u'}';
        } else if (c == u';') {
            parts.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    parts.append(current);
    return parts;
}

// Quotes are dropped; braces stay, because the ODBC driver manager reads them itself.
QString ConnectionString::unquoted(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return value;
}
