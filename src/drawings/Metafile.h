#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

// Windows metafiles as SVG, for the painter path every drawing takes.
namespace Metafile {

enum class Kind { None, Wmf, Emf };
// What the bytes are: a WMF (placeable or not) or an EMF, by their headers.
Kind kindOf(const QByteArray &bytes);

// The drawing as an SVG document whose width and height carry its physical size in mm; empty
// and error set when the library cannot read it.
QByteArray wmfToSvg(const QByteArray &bytes, QString &error);
QByteArray emfToSvg(const QByteArray &bytes, QString &error);

} // namespace Metafile
