#pragma once

#include "Failure.h"

#include <QStringList>

// The remnant label (genrestimage): an enhanced metafile of 80 x 40 mm naming the remnant's
// length, profile and colour, for any EMF reader and printer. values: the length in
// millimetres, the profile, the colour (further entries are ignored). The file appears whole
// or not at all.
namespace RemnantLabel {
constexpr double kWidthMm = 80.0;
constexpr double kHeightMm = 40.0;

Failure write(const QString &path, const QStringList &values);
// The label's lines of text, as written.
QStringList lines(const QStringList &values);
} // namespace RemnantLabel
