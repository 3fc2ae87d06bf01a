#pragma once

#include <QMetaType>
#include <QString>

// The field type codes of the Windows stations' database interface, by which the query
// transfer decides how a column is written into the PLC. Each engine states its column types
// in its own terms; these functions map them:
//
//   declared (SQLite)                         PostgreSQL  result type (ODBC)  code
//   INTEGER, INT, INT4, LONG                  int4        int                 3  Integer  written
//   SMALLINT, TINYINT, INT2, SHORT            int2        short               2  SmallInt
//   BIGINT, INT8                              int8        long long           20 BigInt   written
//   DOUBLE, DOUBLE PRECISION, FLOAT, FLOAT8   float8      double              5  Double   written
//   REAL, FLOAT4, SINGLE                      float4      float               4  Single
//   BOOLEAN, BOOL, BIT, YESNO                 bool        bool                11 Boolean  written
//   TEXT, VARCHAR, CHAR, NVARCHAR, NCHAR,     text,       string              202 text    written
//   CHARACTER [VARYING], CLOB, MEMO, LONGTEXT varchar, bpchar
//   DATE, DATETIME                            date        date                7  Date
//   anything else                             ...         ...                 0  (none)
//
// Declared types are compared in upper case without their size arguments ("VARCHAR(40)" is
// VARCHAR). Only the codes marked "written" reach the PLC; the others are known so that a
// column of such a type is recognisably skipped, as on the Windows stations.
namespace FieldType {

enum Code : int {
    None = 0,
    SmallInt = 2,
    Integer = 3,
    Single = 4,
    Double = 5,
    Date = 7,
    Boolean = 11,
    BigInt = 20,
    WChar = 130,
    VarChar = 200,
    LongVarChar = 201,
    VarWChar = 202,
    LongVarWChar = 203,
};

// -1 when the declared type is empty (an expression column): the caller then asks the result.
int fromDeclaredType(const QString &declared);
int fromPostgresOid(int oid);
int fromMetaType(QMetaType type);
bool isText(int code);

} // namespace FieldType
