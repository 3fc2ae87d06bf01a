#pragma once

#include <QString>

class RegistryStore;

// Lets a double click on a station configuration file start the program with that file. The
// registry keys of the association are written to the store as a Windows station has them;
// the desktop learns it through a shared-mime-info type, a desktop entry and the user's
// default-application list, all below the XDG data and configuration folders of the user
// who runs the registration.
class FileAssociation {
public:
    explicit FileAssociation(RegistryStore &store);

    // extension without the dot ("DCNF"); programPath: the program's executable. Stops at
    // the first step that fails and reports nothing; whatever was written before stays.
    // True when every step was done.
    bool registerFileType(const QString &extension, const QString &programPath);

    static QString desktopFileName();

private:
    bool writeClassKeys(const QString &extension, const QString &programPath);
    bool installMimeType(const QString &extension, const QString &dataHome);
    bool installDesktopEntry(const QString &extension, const QString &programPath,
                             const QString &dataHome);
    bool setDefaultApplication(const QString &extension);

    RegistryStore &m_store;
};
