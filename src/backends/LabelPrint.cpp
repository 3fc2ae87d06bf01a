#include "LabelPrint.h"

#include "AppSettings.h"
#include "LogWriter.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "PrintvarsXml.h"
#include "RegionalFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

const QString LabelPrint::kDefaultLayout = u"Layout\\labelshop.lab"_s;

namespace {
QString stamp()
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime());
}
} // namespace

LabelPrint::LabelPrint(Parts parts)
    : m_parts(std::move(parts))
{
}

LabelPrint::~LabelPrint() = default;

qint32 LabelPrint::labelPrint(const QString &losName, qint32 teileNr, bool close)
{
    if (losName.isEmpty())
        m_open = false;
    const AppSettings &s = m_parts.settings;
    if (s.labelshopPath.isEmpty() || s.labelshop == 0 || close) {
        endProgram();
        m_open = false;
        return 0;
    }
    if (!m_open && !start())
        return 1;
    if (losName.isEmpty() || teileNr == 0)
        return 1; // the restart alone
    return printRecord(losName, teileNr);
}

void LabelPrint::endProgram()
{
    if (m_doc)
        m_doc->closeAll();
    if (m_app)
        m_app->quit();
    m_doc.reset();
    m_app.reset();
}

bool LabelPrint::start()
{
    if (m_parts.cleanLabelImages)
        m_parts.cleanLabelImages();
    endProgram();
    QString why;
    m_app = m_parts.startProgram(why);
    if (!m_app) {
        report(stamp() + u" Can't create Labelshop !  "_s + why);
        return false;
    }
    m_layoutName = kDefaultLayout;
    if (!(m_doc = openLayout(kDefaultLayout)))
        return false;
    m_open = true;
    return true;
}

// Opens a layout named relative to the label folder; reports and forgets the layout's name
// when it cannot.
std::unique_ptr<LabelDocument> LabelPrint::openLayout(const QString &name)
{
    const QString full = path(name);
    QString why = u"the layout "_s + name + u" lies outside the label folder "_s +
                  m_parts.settings.labelshopPath;
    auto doc = full.isEmpty() ? nullptr : m_app->open(full, why);
    if (!doc) {
        report(stamp() + u" Can't open Labelshop !  \r\n"_s + (full.isEmpty() ? name : full) +
               u"\r\n"_s + why);
        m_layoutName.clear();
    }
    return doc;
}

qint32 LabelPrint::printRecord(const QString &losName, qint32 teileNr)
{
    using O = Printvars::Outcome;
    const Printvars record = m_parts.readPrintvars(losName, teileNr);
    const QString which = u"  <"_s + losName + u"> <"_s + QString::number(teileNr) + u'>';
    const bool alone = m_parts.settings.outputCount <= 1;
    switch (record.outcome) {
    case O::DatabaseMissing:
        report(stamp() + u" Database not found: "_s + m_parts.controls.serverPath);
        return 1;
    case O::QueryFailed:
        report(stamp() + u" OpenRecordset:"_s + record.query + u"\r\n"_s + record.description);
        [[fallthrough]];
    case O::NoRecord:
        if (alone)
            report(stamp() + u" No Printdata found !"_s + which, false);
        return 1;
    case O::Empty:
        if (alone)
            report(stamp() + u" Field Printvars empty !"_s + which);
        return 1;
    case O::Found:
        break;
    }
    return fillAndPrint(record.text, losName, teileNr);
}

qint32 LabelPrint::fillAndPrint(const QString &text, const QString &losName, qint32 teileNr)
{
    QString why;
    const auto xml = PrintvarsXml::parse(text, &why);
    if (!xml) {
        report(stamp() + u' ' + why);
        return 1;
    }
    const QString wanted = xml->layout.isEmpty() ? kDefaultLayout : xml->layout;
    if (wanted != m_layoutName) {
        // The document before is let go, not closed: the label program keeps it.
        m_layoutName = wanted;
        if (!(m_doc = openLayout(wanted)))
            return 1;
    }
    const QString job = u"  Job:"_s + losName + u"  Bar:"_s + QString::number(teileNr);
    bool converted = false;
    for (const auto &[name, value] : xml->fields)
        converted = fill(name, value, job) || converted;
    if (!converted) {
        report(stamp() + u" No Fields converted !"_s + job);
        return 1;
    }
    // The label program told nothing when its printer failed; this one does, and a label
    // that did not reach the printer is not reported as printed.
    const Failure printed = m_doc->printLabel(1);
    if (printed.pending()) {
        report(stamp() + u" Print label: "_s + printed.description + job);
        return 1;
    }
    m_doc->formFeed();
    ++m_parts.request.labelsPrinted;
    return 0;
}

bool LabelPrint::fill(const QString &name, const QString &value, const QString &job)
{
    LabelDocObject *object = m_doc ? m_doc->docObject(name) : nullptr;
    if (!object) {
        report(stamp() + u" Fields <"_s + name + u"> not found !"_s + job);
        return false;
    }
    if (object->type() != LabelDocObject::kImage) {
        object->setValue(value);
        return true;
    }
    const QString image = path(value);
    if (image.isEmpty() || !QFileInfo(image).isFile()) {
        report(stamp() + u" Image <"_s + (image.isEmpty() ? value : image) + u"> not found !"_s +
               job);
        return false;
    }
    object->setFileName(image);
    return true;
}

void LabelPrint::report(const QString &text, bool msgBox)
{
    m_parts.controls.setCaption(PrintControls::Label::lblError, text);
    m_parts.log.writeLog(text, false, msgBox);
}

// A file named as the print data name it, relative to the label folder with backslashes; ""
// for one that climbs out of the folder.
QString LabelPrint::path(const QString &relative) const
{
    const QString folder = QDir::cleanPath(m_parts.settings.labelshopPath);
    const QString full = QDir::cleanPath(folder + u'/' + QString(relative).replace(u'\\', u'/'));
    if (full != folder && !full.startsWith(folder + u'/'))
        return {};
    return full;
}
