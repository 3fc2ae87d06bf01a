#pragma once

#include <QString>

class Prompt;
struct AppSettings;

// Paths in a configuration are stored in a portable form: "~apppath~" stands for the folder
// that holds the configuration's "Server" folder, so a whole installation can be copied to
// another disk or station. Files from Windows stations use backslashes; both separators are
// understood, and a value beginning with one backslash is relative to that folder.
class PathNormalizer {
public:
    PathNormalizer(AppSettings &settings, Prompt &prompt, QString appFolder);

    // Returns the portable form of path and writes the form this system opens into
    // absolutePath. Sets the settings' baseDir. A connection string (it names a "Provider")
    // passes unchanged.
    QString normalizePath(const QString &path, QString &absolutePath);

    // True for a folder named "Server" (any case) below another, by either separator.
    static bool endsWithServerFolder(const QString &dir);

    static const QString kPlaceholder;

private:
    QString configFolder() const;

    AppSettings &m_settings;
    Prompt &m_prompt;
    QString m_appFolder;
};
