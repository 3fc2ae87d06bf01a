#include "CadPrint.h"

#include "AppSettings.h"
#include "LogWriter.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RegionalFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString stamp()
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime());
}

bool isFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

CadPrint::CadPrint(Parts parts)
    : m_parts(std::move(parts))
{
}

CadPrint::~CadPrint() = default;

QString CadPrint::fileName(const QString &folder, int form, const QString &losName, qint32 teileNr,
                           int etikettenType, const QString &extension)
{
    const QString type = etikettenType == 0 ? QString() : u'#' + QString::number(etikettenType);
    const QString separator = form == 1 ? u"\\"_s : u"#"_s;
    return folder + u'\\' + losName + separator + QString::number(teileNr) + type + extension;
}

qint32 CadPrint::printCad(const QString &losName, qint32 teileNr, bool close, qint16 resteKennung)
{
    const AppSettings &s = m_parts.settings;
    if (losName.isEmpty())
        m_open = false;
    if (close || (s.cadPrint == 0 && s.winCadPrint == 0)) {
        release();
        m_open = false;
        return 0;
    }
    if (!m_open && !start())
        return 1;
    if (losName.isEmpty() || teileNr == 0)
        return 1;
    const int form = s.cadPrint >= 1 ? s.cadPrint : s.winCadPrint;
    const QString requested =
        fileName(s.cadPath, form, losName, teileNr, m_parts.request.EtikettenType, s.cadExtension);
    const QString path = local(requested);
    if (isFile(path))
        return print(path);
    return printMissing(path.isEmpty() ? requested : path, resteKennung);
}

void CadPrint::release()
{
    m_viewer.reset();
    m_builder.reset();
}

// A viewer that cannot be created leaves the output closed, so the next request tries again;
// a missing image builder is reported once and the output goes on without it.
bool CadPrint::start()
{
    if (m_parts.cleanCadImages)
        m_parts.cleanCadImages();
    m_viewer.reset();
    QString why;
    m_viewer = m_parts.createViewer(why);
    if (!m_viewer) {
        report(stamp() + u" Can't create CADVIEW !  "_s + why);
        return false;
    }
    m_builder.reset();
    why.clear();
    m_builder = m_parts.createBuilder ? m_parts.createBuilder(why) : nullptr;
    if (m_parts.settings.winCadPrint != 0 && !m_builder)
        report(stamp() + u" Can't create Bildwerk !  "_s + why);
    m_open = true;
    return true;
}

// The remnant label the builder generates, else the fixed image of the remnant flag, else the
// report of the last file tried (only where this is the station's one output).
qint32 CadPrint::printMissing(const QString &requested, qint16 resteKennung)
{
    const AppSettings &s = m_parts.settings;
    const PrintRequest &r = m_parts.request;
    QString tried = requested;
    if (s.cadPrintRest > 0) {
        const QString folder = QDir::cleanPath(m_parts.programFolder);
        if (r.ResteLaenge > 0 && m_builder) {
            tried = folder + u"/RestETK.emf"_s;
            const QStringList values{QString::number(r.ResteLaenge), r.ResteProfil, r.ResteColor,
                                     QString()};
            m_builder->genRestImage(tried, values);
            if (isFile(tried))
                return print(tried);
        }
        static const QStringList kFixed{u"label"_s, u"rest"_s, u"waste"_s};
        if (resteKennung >= 0 && resteKennung < kFixed.size()) {
            tried = folder + u'/' + kFixed.at(resteKennung) + s.cadExtension;
            if (isFile(tried))
                return print(tried);
        }
    }
    if (s.outputCount <= 1)
        report(stamp() + u" File : "_s + tried + u" not found!"_s);
    return 1;
}

qint32 CadPrint::print(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (m_parts.settings.winCadPrint >= 1) {
        if (m_builder)
            return printWithBuilder(path, name);
        report(stamp() + u" Error printing "_s + name + u" Printerobject not found !  \r\n"_s);
    }
    return printWithViewer(path, name);
}

qint32 CadPrint::printWithBuilder(const QString &path, const QString &name)
{
    const QString printer = m_parts.controls.caption(PrintControls::Label::lblDefPrinter);
    const ImageBuilder::Printed printed = m_builder->printImage(path, printer);
    if (!printed.errorText.isEmpty()) {
        report(stamp() + u"Return Error printing "_s + name + u" Printer: "_s + printer +
                   u" !  \r\n"_s + printed.errorText,
               false);
        return printed.code != 0 ? printed.code : 5;
    }
    if (!printed.failure.pending()) {
        ++m_parts.request.labelsPrinted;
        return 0;
    }
    report(stamp() + u" Error printing "_s + name + u" Printer: "_s + printer + u" !  \r\n"_s +
               printed.failure.description,
           false);
    return printed.code != 0 ? printed.code : 6;
}

qint32 CadPrint::printWithViewer(const QString &path, const QString &name)
{
    const AppSettings &s = m_parts.settings;
    DrawingViewer &viewer = *m_viewer;
    QString viewerPrinter;
    const auto failed = [&](const Failure &failure) {
        report(stamp() + u" Error printing "_s + name + u" Printer: "_s + viewerPrinter +
               u" !  \r\n"_s + failure.description);
        return 3;
    };
    if (const Failure failure = viewer.loadFile(path); failure.pending())
        return failed(failure);
    const QString active = m_parts.controls.caption(PrintControls::Label::lblDefPrinter);
    for (int i = 0; i < viewer.printerCount(); ++i) {
        if (viewer.printer(i) == active) {
            viewer.setPrinterIndex(i);
            break;
        }
    }
    viewerPrinter = viewer.printer(viewer.printerIndex());
    viewer.setBorderWidth(0);
    viewer.setPaperOrientation(s.paperOrientation);
    viewer.setPrintScale(s.printToFit != 0 ? DrawingViewer::FitToPage : DrawingViewer::ActualSize);
    viewer.setPrintViewArea(false);
    viewer.setShowPrinterSetupDialog(m_parts.controls.check(PrintControls::CheckBox::chkDialog) ==
                                     1);
    if (s.printToFit != 0) {
        const QPointF centre = viewer.center();
        viewer.scaleImage(true, 220, centre.x(), centre.y());
    }
    if (const Failure failure = viewer.printImage(); failure.pending())
        return failed(failure);
    ++m_parts.request.labelsPrinted;
    return 0;
}

// The configured name on this system: backslashes separate folders. A lot name from the PLC
// must not lead out of the image folder: such a name finds no file.
QString CadPrint::local(const QString &configured) const
{
    const QString folder = QDir::cleanPath(QString(m_parts.settings.cadPath).replace(u'\\', u'/'));
    const QString path = QDir::cleanPath(QString(configured).replace(u'\\', u'/'));
    if (folder.isEmpty() || !path.startsWith(folder + u'/'))
        return {};
    return path;
}

void CadPrint::report(const QString &text, bool msgBox)
{
    m_parts.controls.setCaption(PrintControls::Label::lblError, text);
    m_parts.log.writeLog(text, false, msgBox);
}
