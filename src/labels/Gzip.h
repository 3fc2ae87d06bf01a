#pragma once

#include <QByteArray>
#include <optional>

// gzip streams, as gLabels 3 saves its files by default.
namespace Gzip {
// Whether bytes begin with the gzip magic number.
bool isCompressed(const QByteArray &bytes);
// The uncompressed content; nothing for a damaged stream or one that inflates past limit.
std::optional<QByteArray> inflate(const QByteArray &bytes, qsizetype limit);
} // namespace Gzip
