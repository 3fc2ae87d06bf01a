#pragma once

#include <QStringView>
#include <optional>

// The values of gLabels attributes: lengths with their unit, RGBA colours, truth values.
namespace GlabelsValues {
// "70mm", "3.375in", "85.0394pt", "1cm", "2pc" or a bare number of points, in points.
std::optional<double> length(QStringView text);
// "0x000000ff" (gLabels 3) or "0xff" (gLabels 4, leading zeros dropped): RGBA.
std::optional<quint32> color(QStringView text);
// "True"/"true" (gLabels 3 and 4) and "1".
bool flag(QStringView text);
} // namespace GlabelsValues
