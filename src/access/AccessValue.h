#pragma once

#include "AccessColumn.h"

#include <QString>
#include <QVariant>
#include <optional>

// How Access compares: texts without regard to letter case (umlauts and other letters beyond
// ASCII included), numbers by value whatever their type, Yes as -1; a null equals nothing.
namespace AccessValue {

bool sameName(const QString &a, const QString &b);
bool equal(const QVariant &a, const QVariant &b);

// The index key of a column's value: equal values have equal keys. Null for a null value or
// one that has no key (dates, binary data).
QString key(const QVariant &value);
// The key under which a column of that type holds values equal to operand; nothing when the
// index cannot answer (the rows must then be compared one by one).
std::optional<QString> keyFor(const QVariant &operand, const AccessColumn &column);

} // namespace AccessValue
