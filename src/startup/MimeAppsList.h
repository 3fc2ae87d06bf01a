#pragma once

#include <QString>

// The user's mimeapps.list (freedesktop MIME applications associations): which desktop entry
// opens a MIME type by default.
namespace MimeAppsList {
// content with "mimeType=desktopId" in its [Default Applications] group: an existing line
// for mimeType is replaced, otherwise the line is added at the end of the group, and the
// group is added at the end when there is none. Every other line stays as it was.
QString withDefault(const QString &content, const QString &mimeType, const QString &desktopId);
} // namespace MimeAppsList
