#pragma once

#include <QByteArray>
#include <QString>

// The shared-mime-info package that gives the station's configuration files (extension
// "DCNF": *.dcnf in any case, globs being case-insensitive unless marked otherwise) a MIME
// type of their own. They are text files, so the type derives from text/plain.
namespace MimePackage {
// "application/x-etikor-" and the extension in lower case.
QString typeName(const QString &extension);
// The package's file name below mime/packages: "etikor-dcnf.xml" for "DCNF".
QString fileName(const QString &extension);
QByteArray xml(const QString &extension);
} // namespace MimePackage
