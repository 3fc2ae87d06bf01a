#include "FieldType.h"

#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace FieldType {

int fromDeclaredType(const QString &declared)
{
    static const QRegularExpression arguments(u"\\(.*\\)"_s);
    const QString name = QString(declared).remove(arguments).simplified().toUpper();
    if (name.isEmpty())
        return -1;
    static const QHash<QString, int> codes{
        {u"INTEGER"_s, Integer},
        {u"INT"_s, Integer},
        {u"INT4"_s, Integer},
        {u"LONG"_s, Integer},
        {u"SMALLINT"_s, SmallInt},
        {u"TINYINT"_s, SmallInt},
        {u"INT2"_s, SmallInt},
        {u"SHORT"_s, SmallInt},
        {u"BIGINT"_s, BigInt},
        {u"INT8"_s, BigInt},
        {u"DOUBLE"_s, Double},
        {u"DOUBLE PRECISION"_s, Double},
        {u"FLOAT"_s, Double},
        {u"FLOAT8"_s, Double},
        {u"REAL"_s, Single},
        {u"FLOAT4"_s, Single},
        {u"SINGLE"_s, Single},
        {u"BOOLEAN"_s, Boolean},
        {u"BOOL"_s, Boolean},
        {u"BIT"_s, Boolean},
        {u"YESNO"_s, Boolean},
        {u"TEXT"_s, VarWChar},
        {u"VARCHAR"_s, VarWChar},
        {u"CHAR"_s, VarWChar},
        {u"NVARCHAR"_s, VarWChar},
        {u"NCHAR"_s, VarWChar},
        {u"CHARACTER"_s, VarWChar},
        {u"CHARACTER VARYING"_s, VarWChar},
        {u"VARYING CHARACTER"_s, VarWChar},
        {u"CLOB"_s, VarWChar},
        {u"MEMO"_s, VarWChar},
        {u"LONGTEXT"_s, VarWChar},
        {u"DATE"_s, Date},
        {u"DATETIME"_s, Date},
    };
    return codes.value(name, None);
}

int fromPostgresOid(int oid)
{
    // The type OIDs of PostgreSQL's catalog pg_type, fixed for the built-in types.
    switch (oid) {
    case 16: // bool
        return Boolean;
    case 20: // int8
        return BigInt;
    case 21: // int2
        return SmallInt;
    case 23: // int4
        return Integer;
    case 25:   // text
    case 1042: // bpchar
    case 1043: // varchar
        return VarWChar;
    case 700: // float4
        return Single;
    case 701: // float8
        return Double;
    case 1082: // date
        return Date;
    default:
        return None;
    }
}

int fromMetaType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
        return Integer;
    case QMetaType::Short:
        return SmallInt;
    case QMetaType::LongLong:
        return BigInt;
    case QMetaType::Double:
        return Double;
    case QMetaType::Float:
        return Single;
    case QMetaType::Bool:
        return Boolean;
    case QMetaType::QString:
        return VarWChar;
    case QMetaType::QDate:
        return Date;
    default:
        return None;
    }
}

bool isText(int code)
{
    return code == WChar || code == VarChar || code == LongVarChar || code == VarWChar ||
           code == LongVarWChar;
}

} // namespace FieldType
