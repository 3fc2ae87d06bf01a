#include "SavedQuery.h"

#include <QRegularExpression>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// The attribute numbers of MSysQueries and the query types of attribute 1.
enum Attr {
    Type = 1,
    Parameter = 2,
    Flags = 3,
    Source = 5,
    Column = 6,
    Join = 7,
    Where = 8,
    GroupBy = 9,
    Having = 10,
    OrderBy = 11,
};
enum QueryType { Select = 1, MakeTable = 2, Append = 3, Update = 4, Delete = 5, Union = 9 };
enum FlagBits { AllColumns = 0x01, Distinct = 0x02 };

QString bracketed(const QString &name)
{
    static const QRegularExpression plain(u"^[\\w]+$"_s,
                                          QRegularExpression::UseUnicodePropertiesOption);
    return plain.match(name).hasMatch() ? name : u'[' + name + u']';
}

QString source(const SavedQuery::Attribute &a)
{
    QString text = a.expression.isEmpty() ? bracketed(a.name1) : u'(' + a.expression + u')';
    if (!a.name2.isEmpty())
        text += u" AS "_s + bracketed(a.name2);
    return text;
}

QString fromClause(const QList<SavedQuery::Attribute> &sources,
                   const QList<SavedQuery::Attribute> &joins)
{
    static const QStringList kJoin{u"INNER"_s, u"INNER"_s, u"LEFT"_s, u"RIGHT"_s};
    QStringList joined;
    QString chain;
    // A join on several column pairs is one row per pair.
    QList<SavedQuery::Attribute> merged;
    for (const SavedQuery::Attribute &j : joins) {
        auto same = std::find_if(merged.begin(), merged.end(), [&](const auto &m) {
            return m.name1 == j.name1 && m.name2 == j.name2 && m.flag == j.flag;
        });
        if (same == merged.end())
            merged.append(j);
        else
            same->expression = u'(' + same->expression + u") AND ("_s + j.expression + u')';
    }
    for (const SavedQuery::Attribute &j : std::as_const(merged)) {
        const QString kind = kJoin.value(j.flag, u"INNER"_s);
        chain = (chain.isEmpty() ? bracketed(j.name1) : u'(' + chain + u')') + u' ' + kind +
                u" JOIN "_s + bracketed(j.name2) + u" ON "_s + j.expression;
        joined << j.name1 << j.name2;
    }
    QStringList parts;
    if (!chain.isEmpty())
        parts.append(chain);
    for (const SavedQuery::Attribute &s : sources) {
        const QString name = s.name2.isEmpty() ? s.name1 : s.name2;
        if (!joined.contains(name, Qt::CaseInsensitive))
            parts.append(source(s));
    }
    return parts.join(u", "_s);
}

QString listOf(const QList<SavedQuery::Attribute> &items, bool withAlias)
{
    QStringList parts;
    for (const SavedQuery::Attribute &a : items) {
        QString part = a.expression;
        if (withAlias && !a.name1.isEmpty())
            part += u" AS "_s + bracketed(a.name1);
        parts.append(part);
    }
    return parts.join(u", "_s);
}

QString orderBy(const QList<SavedQuery::Attribute> &items)
{
    QStringList parts;
    for (const SavedQuery::Attribute &a : items)
        parts.append(a.expression +
                     (a.name1.compare(u"D"_s, Qt::CaseInsensitive) == 0 ? u" DESC"_s : QString()));
    return parts.join(u", "_s);
}

} // namespace

SavedQuery SavedQuery::rebuild(const QString &name, const QList<Attribute> &attributes)
{
    QHash<int, QList<Attribute>> by;
    for (const Attribute &a : attributes)
        by[a.attribute].append(a);
    const Attribute type = by.value(Type).value(0);
    const int flags = by.value(Flags).value(0).flag;

    SavedQuery query{name, type.flag == Select, {}};
    if (!type.expression.isEmpty()) { // pass-through and data definition keep their text
        query.text = type.expression;
        return query;
    }
    if (type.flag == Union) {
        query.text = listOf(by.value(Source), false).replace(u", "_s, u" UNION "_s) + u';';
        return query;
    }
    QStringList lines;
    QStringList parameters;
    for (const Attribute &p : by.value(Parameter))
        parameters.append(bracketed(p.name1));
    if (!parameters.isEmpty())
        lines.append(u"PARAMETERS "_s + parameters.join(u", "_s) + u';');
    const QString from = fromClause(by.value(Source), by.value(Join));
    const QString target = by.value(Type).value(0).name1;
    QString columns = listOf(by.value(Column), true);
    if (flags & AllColumns)
        columns = columns.isEmpty() ? u"*"_s : u"*, "_s + columns;
    const QString select = (flags & Distinct) ? u"SELECT DISTINCT "_s : u"SELECT "_s;
    switch (type.flag) {
    case Delete:
        lines.append(u"DELETE "_s + columns);
        break;
    case Update: {
        QStringList assignments;
        for (const Attribute &a : by.value(Column))
            assignments.append(a.name1 + u" = "_s + a.expression);
        lines.append(u"UPDATE "_s + from);
        lines.append(u"SET "_s + assignments.join(u", "_s));
        break;
    }
    case Append:
        lines.append(u"INSERT INTO "_s + bracketed(target));
        lines.append(select + columns);
        break;
    case MakeTable:
        lines.append(select + columns + u" INTO "_s + bracketed(target));
        break;
    default:
        lines.append(select + columns);
        break;
    }
    if (type.flag != Update)
        lines.append(u"FROM "_s + from);
    if (const QString where = by.value(Where).value(0).expression; !where.isEmpty())
        lines.append(u"WHERE "_s + where);
    if (const QString group = listOf(by.value(GroupBy), false); !group.isEmpty())
        lines.append(u"GROUP BY "_s + group);
    if (const QString having = by.value(Having).value(0).expression; !having.isEmpty())
        lines.append(u"HAVING "_s + having);
    if (const QString order = orderBy(by.value(OrderBy)); !order.isEmpty())
        lines.append(u"ORDER BY "_s + order);
    query.text = lines.join(u"\r\n"_s) + u';';
    return query;
}
