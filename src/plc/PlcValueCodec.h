#pragma once

#include "BuiltinType.h"
#include "NodeId.h"
#include "Variant.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <optional>

// Between the link's scalar operations and the values of OPC UA variables. A PLC program
// declares a variable with its own type (an INT where the station thinks of a number, a
// REAL or an LREAL), so a value is written in the variable's own data type and read from
// it: integers convert among the integer types while the value fits, reals between Float
// and Double, booleans and texts only to themselves.
namespace PlcValueCodec {

// The built-in type a DataType node stands for; nothing for structured, enumerated and
// abstract types, which the link does not carry.
std::optional<BuiltinType> builtinOf(const NodeId &dataType);
// The size of a value in bytes (1 for a boolean); 0 for a text, whose size is its maximum
// length.
qint32 sizeOf(BuiltinType type);
// The type's browse name ("Int16").
QString typeName(BuiltinType type);

// Converts value (bool, an integer, double or QString) into a variable of type target.
// Good and out set; BadTypeMismatch when the kinds differ, BadOutOfRange when an integer
// does not fit.
quint32 toVariant(BuiltinType target, const QVariant &value, Variant &out);
// Takes a read value as wanted (Bool, Short, Int or QString); statuses as toVariant. A null
// value (a variable never written) is BadTypeMismatch as well: the station cannot tell it
// from a wrong type and must not take it for false or 0.
quint32 fromVariant(const Variant &value, QMetaType::Type wanted, QVariant &out);

} // namespace PlcValueCodec
