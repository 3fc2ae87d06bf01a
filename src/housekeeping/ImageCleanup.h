#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

struct AppSettings;

// Deletes old image files below the label program's image folder and below the CAD image
// folder, so a station that runs for months does not fill its disk.
//
// A run (cleanLabelImages, cleanCadImages) does nothing at all while deleteDelay is 0 or the
// folder setting is empty. Otherwise it collects every bitmap, JPEG and file of the CAD type
// (the last three characters of cadExtension, lower-cased) in the base folder and, recursively,
// in its sub-folders, and deletes those whose last-modified local date lies more than
// deleteDelay calendar days before today. Names containing "FIXED" (any case) are never
// collected and folders with such names never entered, except at the top level of the CAD
// folder. The label folder's top level collects bitmaps and JPEGs only. A "Thumbs.db" met on
// the way is deleted at once, whatever its age.
//
// Afterwards each direct sub-folder of the base folder that holds no files is removed. Only a
// folder with nothing but (empty) folders anywhere below it counts as empty: a file kept
// deeper down, protected by its name or of another type, keeps its whole branch. Hidden files
// count as files. Symbolic links are never followed; they count as files.
//
// Nothing is reported: a file or folder that cannot be read, dated or deleted stays, and the
// run goes on.
class ImageCleanup {
public:
    using Today = std::function<QDate()>;

    explicit ImageCleanup(
        const AppSettings &settings, Today today = [] { return QDate::currentDate(); });

    // Cleans labelshopPath + "/Images".
    void cleanLabelImages();
    // Cleans cadPath.
    void cleanCadImages();
    // Collects the matching files of folder and of its sub-folders into imageFiles() and
    // deletes the "Thumbs.db" files found there; deletes no image.
    void cleanImageFolder(const QString &folder);

    // Every file the current run collected, as full paths; renewed at the start of a run.
    const QStringList &imageFiles() const { return m_imageFiles; }

private:
    struct Variant {
        QString setting;
        QString baseFolder;
        bool fixedCheck;
        bool cadTypeAtTop;
    };
    void clean(const Variant &variant);
    // Files of folder go to imageFiles, Thumbs.db is deleted, sub-folders are returned.
    QStringList collect(const QString &folder, bool fixedCheck, bool withCadType);
    void deleteOldFiles() const;
    QString cadType() const;

    const AppSettings &m_settings;
    Today m_today;
    QStringList m_imageFiles;
};
