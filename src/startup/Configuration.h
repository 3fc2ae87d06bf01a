#pragma once

#include "PathNormalizer.h"
#include "PrinterSource.h"

#include <QHash>
#include <QString>

struct AppSettings;
class PrintControls;
class Prompt;
class StationHooks;

// Loads and saves the station configuration: fills the controls and the settings record
// from the file and derives the values the outputs use; writes the controls back.
class Configuration {
public:
    Configuration(AppSettings &settings, PrintControls &controls, Prompt &prompt,
                  StationHooks &hooks, PrinterSource printers, QString appFolder);

    void loadConfig();
    // Why the last load fell back to the empty configuration though the file was there (it
    // could not be read, or holds no setting), as shown in lblError; none when it loaded or
    // there was no file.
    const std::optional<QString> &loadProblem() const { return m_loadProblem; }
    // False when the file could not be written; the settings are updated all the same.
    bool saveConfig();
    // "Save As": asks for a name; accepts it only with the extension ".dcnf" (any case).
    bool checkConfigName();

    static const QString kDefaultPrefix;

private:
    std::optional<QHash<QString, QString>> readRecords();
    void applyRecords(const QHash<QString, QString> &dict);
    void applyPrinter(const QString &name);
    void normalizePathBoxes();
    void deriveFromControls();
    void deriveShared();
    void deriveImageFolder();
    QString expandedPrefix();

    AppSettings &m_settings;
    PrintControls &m_controls;
    Prompt &m_prompt;
    StationHooks &m_hooks;
    PrinterSource m_printers;
    QString m_appFolder;
    PathNormalizer m_normalizer;
    std::optional<QString> m_loadProblem;
};
