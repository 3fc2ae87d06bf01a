#include "Configuration.h"

#include "AppSettings.h"
#include "ConfigFile.h"
#include "PrintControls.h"
#include "Prompt.h"
#include "RegionalFormat.h"
#include "StationHooks.h"
#include "TextEncoding.h"
#include "VbConvert.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcConfig, "etikor.startup.config")

const QString Configuration::kDefaultPrefix =
    QStringLiteral("INPUT ON$013SYSVAR(18)=8$013LTS$038 ON$013");

namespace {
using T = PrintControls::TextBox;
using C = PrintControls::CheckBox;
using L = PrintControls::Label;

const QChar kDegree(0x00B0);

// The settings a configuration file holds, in the order a save writes them.
constexpr std::array kKeys = {"ServerPath",
                              "Netid",
                              "Port",
                              "Modulname",
                              "Labelshop",
                              "LabelshopPath",
                              "DeleteDelay",
                              "CAD-Print",
                              "CAD-Path",
                              "CAD-Extension",
                              "CAD-PrintRest",
                              "Command-Line",
                              "Option-Command-Line",
                              "PrintToFit",
                              "WritePrintData",
                              "Sonderzeichen",
                              "PaperOrientation",
                              "PrintRAW",
                              "WinCADPrint",
                              "UTF8Codierung",
                              "Printername",
                              "ChinaCodierung",
                              "PrefixOnOff",
                              "Prefix",
                              "RAWAddCrLf",
                              "Codierung",
                              "AblOnOff"};

bool holdsAnySetting(const QHash<QString, QString> &dict)
{
    return std::any_of(kKeys.cbegin(), kKeys.cend(),
                       [&](const char *key) { return dict.contains(QLatin1String(key)); });
}

// The integer of a key: an absent key counts 0, a value that is no 16-bit number gives none,
// and then the control or field it was meant for keeps what it had.
std::optional<int> intOf(const QHash<QString, QString> &dict, const QString &key)
{
    const auto it = dict.constFind(key);
    if (it == dict.constEnd())
        return 0;
    return VbConvert::toInt16(*it);
}

void setIf(int &field, std::optional<int> v)
{
    if (v)
        field = *v;
}

void checkIf(PrintControls &controls, C box, std::optional<int> v)
{
    if (v)
        controls.setCheck(box, *v);
}

int deleteDelayOf(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 30;
    return VbConvert::leadingInt32(text);
}
} // namespace

Configuration::Configuration(AppSettings &settings, PrintControls &controls, Prompt &prompt,
                             StationHooks &hooks, PrinterSource printers, QString appFolder)
    : m_settings(settings)
    , m_controls(controls)
    , m_prompt(prompt)
    , m_hooks(hooks)
    , m_printers(std::move(printers))
    , m_appFolder(std::move(appFolder))
    , m_normalizer(settings, prompt, m_appFolder)
{
}

void Configuration::loadConfig()
{
    m_controls.setEditMode(false);
    m_controls.serverPath.clear();
    m_settings.labelshopPath.clear();
    m_controls.modulName.clear();
    m_settings.labelshop = 0;
    m_settings.writePrintData = 0;
    m_controls.setPrinters(m_printers.list ? m_printers.list() : QStringList());

    applyRecords(readRecords().value_or(QHash<QString, QString>()));
    deriveFromControls();

    m_hooks.restartBackends(false);
    m_settings.outputCount = (m_settings.cadPrint != 0 || m_settings.winCadPrint != 0 ? 1 : 0) +
                             (m_settings.writePrintData != 0 ? 1 : 0) +
                             (m_settings.labelshop != 0 ? 1 : 0);
    if (m_settings.printRaw == 2)
        m_hooks.cleanCadImages();
}

// The file's records. A station without its file starts empty, as on its first start; a file
// that is there but cannot be read, or holds no setting at all (another kind of file, a
// damaged one), also gives the empty configuration, and the operator is told why.
std::optional<QHash<QString, QString>> Configuration::readRecords()
{
    m_loadProblem.reset();
    const QString &path = m_settings.configPath;
    QString error;
    auto dict = ConfigFile::read(path, &error);
    QString why;
    if (!dict && QFileInfo::exists(path))
        why = u"cannot be read: "_s + error;
    else if (dict && !dict->isEmpty() && !holdsAnySetting(*dict))
        why = u"holds no setting of a configuration"_s;
    if (!dict)
        qCInfo(lcConfig) << "no configuration read from" << path;
    if (!why.isEmpty()) {
        m_loadProblem = RegionalFormat::dateTime(QDateTime::currentDateTime()) +
                        u" Configuration "_s + path + u' ' + why +
                        u": the station runs with an empty configuration"_s;
        m_controls.setCaption(PrintControls::Label::lblError, *m_loadProblem);
        return std::nullopt;
    }
    return dict;
}

void Configuration::applyRecords(const QHash<QString, QString> &dict)
{
    auto text = [&](const char *key) {
        return dict.value(QLatin1String(key));
    };
    auto integer = [&](const char *key) {
        return intOf(dict, QLatin1String(key));
    };
    PrintControls &c = m_controls;
    AppSettings &s = m_settings;

    // Each of these fields is set first and its box follows; a number the box cannot show
    // stays in the field until the derivation reads the box back.
    auto fieldThenBox = [&](const char *key, int &field, C box) {
        if (const auto v = integer(key)) {
            field = *v;
            c.setCheck(box, *v);
        }
    };
    const QString abl = text("AblOnOff");
    c.setCheck(C::chkModulname, abl == QLatin1String("0") ? 0 : 1);
    s.ablOnOff = c.check(C::chkModulname) != 0;

    c.setText(T::txtServer, text("ServerPath"));
    c.setText(T::txtNetId, text("Netid"));
    c.setText(T::txtPort, text("Port"));
    c.setText(T::txtModulname, text("Modulname"));
    checkIf(c, C::chkLabelshop, integer("Labelshop"));
    checkIf(c, C::chkFit, integer("PrintToFit"));
    c.setText(T::txtLabelshopPath, text("LabelshopPath"));
    c.setText(T::txtDeleteDelay, text("DeleteDelay"));

    fieldThenBox("CAD-Print", s.cadPrint, C::chkCADPrint);
    c.setText(T::txtCADExtension, text("CAD-Extension"));
    c.setText(T::txtEtkPath, text("CAD-Path"));
    c.setText(T::txtCommand, text("Command-Line").replace(kDegree, u'"'));

    fieldThenBox("CAD-PrintRest", s.cadPrintRest, C::chkCadRest);
    fieldThenBox("Option-Command-Line", s.optionCommandLine, C::chkCommand);
    fieldThenBox("PaperOrientation", s.paperOrientation, C::chkPaperOrientation);
    fieldThenBox("PrintRAW", s.printRaw, C::chkPrintRAW);
    fieldThenBox("WinCADPrint", s.winCadPrint, C::chkWinPrint);
    checkIf(c, C::chkUTF8, integer("UTF8Codierung"));
    checkIf(c, C::chkChina, integer("ChinaCodierung"));
    checkIf(c, C::chkPrefix, integer("PrefixOnOff"));
    c.setText(T::txtPrefix, text("Prefix"));
    fieldThenBox("RAWAddCrLf", s.rawAddCrLf, C::chkAddCrLf);
    c.setText(T::txtCodierung, text("Codierung"));

    applyPrinter(text("Printername"));

    const QString sonder = text("Sonderzeichen");
    s.sonderzeichen = sonder.isEmpty() ? 1 : VbConvert::leadingInt32(sonder);
    c.setCheck(C::chkSonderzeichen, s.sonderzeichen);

    if (dict.contains(QStringLiteral("WritePrintData")))
        setIf(s.writePrintData, integer("WritePrintData"));
    else
        s.writePrintData = 1;
    c.setCheck(C::chkWriteDruck, s.writePrintData);
}

// The configured printer becomes the active one, installed or not; without one the system
// default printer is active.
void Configuration::applyPrinter(const QString &name)
{
    if (!name.isEmpty()) {
        m_controls.setPrinterText(name);
        m_controls.setCaption(L::lblDefPrinter, name);
    } else {
        m_controls.setPrinterText(QString());
        m_controls.setCaption(L::lblDefPrinter,
                              m_printers.defaultPrinter ? m_printers.defaultPrinter() : QString());
    }
    m_settings.printerName = m_controls.caption(L::lblDefPrinter);
    m_settings.printerIndex = name.isEmpty() ? -1 : m_controls.printerListIndex();
}

void Configuration::normalizePathBoxes()
{
    const std::pair<T, QString *> boxes[] = {{T::txtServer, &m_controls.serverPath},
                                             {T::txtEtkPath, &m_settings.cadPath},
                                             {T::txtLabelshopPath, &m_settings.labelshopPath}};
    for (const auto &[box, absolute] : boxes)
        m_controls.setText(box, m_normalizer.normalizePath(m_controls.text(box), *absolute));
}

QString Configuration::expandedPrefix()
{
    QString prefix = m_controls.text(T::txtPrefix);
    if (prefix.isEmpty())
        prefix = kDefaultPrefix;
    return TextEncoding::scanSteuerzeichen(prefix, m_settings, m_controls);
}

// Values derived from the controls after a load; a save runs the same derivation apart from
// the fields it takes from the boxes itself.
void Configuration::deriveFromControls()
{
    PrintControls &c = m_controls;
    AppSettings &s = m_settings;
    normalizePathBoxes();
    s.labelshop = c.check(C::chkLabelshop);
    s.printToFit = c.check(C::chkFit);
    s.cadPrint = c.check(C::chkCADPrint);
    s.cadPrintRest = c.check(C::chkCadRest);
    s.optionCommandLine = c.check(C::chkCommand);
    s.sonderzeichen = c.check(C::chkSonderzeichen);
    s.paperOrientation = c.check(C::chkPaperOrientation);
    s.printRaw = c.check(C::chkPrintRAW);
    s.rawAddCrLf = c.check(C::chkAddCrLf);
    s.prefixOnOff = c.check(C::chkPrefix);
    deriveShared();
}

// The values both load and save derive from the text boxes.
void Configuration::deriveShared()
{
    PrintControls &c = m_controls;
    AppSettings &s = m_settings;
    c.modulName = c.text(T::txtModulname);
    s.deleteDelay = deleteDelayOf(c.text(T::txtDeleteDelay));
    s.prefix = expandedPrefix();
    s.commandLine = c.text(T::txtCommand);
    deriveImageFolder();
    s.codierung = c.text(T::txtCodierung);
    s.cadExtension = c.text(T::txtCADExtension);
    if (s.cadExtension.isEmpty())
        s.cadExtension = QStringLiteral(".wmf");
    if (!s.cadExtension.contains(u'.'))
        s.cadExtension.prepend(u'.');
    // A command-line station reads the plain variable family, whatever the box said.
    if (s.optionCommandLine > 0) {
        s.ablOnOff = false;
        c.setCheck(C::chkModulname, 0);
    }
}

// Without a configured image folder the images go to "prod/Images" beside the program (or
// beside its Server folder).
void Configuration::deriveImageFolder()
{
    if (m_settings.cadPath.isEmpty()) {
        QString base = m_appFolder;
        if (PathNormalizer::endsWithServerFolder(base))
            base.chop(7);
        QDir().mkdir(base + QStringLiteral("/prod"));
        m_settings.cadPath = base + QStringLiteral("/prod/Images");
    }
    QDir().mkdir(m_settings.cadPath);
}

bool Configuration::saveConfig()
{
    PrintControls &c = m_controls;
    AppSettings &s = m_settings;
    normalizePathBoxes();

    // A save with no explicit choice stores the system default printer's name.
    applyPrinter(c.printerText());

    s.labelshop = c.check(C::chkLabelshop);
    s.cadPrint = c.check(C::chkCADPrint);
    s.cadPrintRest = c.check(C::chkCadRest);
    s.optionCommandLine = c.check(C::chkCommand);
    s.paperOrientation = c.check(C::chkPaperOrientation);
    s.printRaw = c.check(C::chkPrintRAW);
    s.rawAddCrLf = c.check(C::chkAddCrLf);
    s.writePrintData = c.check(C::chkWriteDruck);
    s.printToFit = c.check(C::chkFit);
    s.sonderzeichen = c.check(C::chkSonderzeichen);
    s.winCadPrint = c.check(C::chkWinPrint);
    s.prefixOnOff = c.check(C::chkPrefix);

    auto txt = [&](const char *key, const QString &v) {
        return ConfigFile::Record{QLatin1String(key), v};
    };
    auto num = [](const char *key, int v) {
        return ConfigFile::Record{QLatin1String(key), v};
    };
    const QList<ConfigFile::Record> records = {
        txt("ServerPath", c.text(T::txtServer)),
        txt("Netid", c.text(T::txtNetId)),
        txt("Port", c.text(T::txtPort)),
        txt("Modulname", c.text(T::txtModulname)),
        num("Labelshop", s.labelshop),
        txt("LabelshopPath", c.text(T::txtLabelshopPath)),
        txt("DeleteDelay", c.text(T::txtDeleteDelay)),
        num("CAD-Print", s.cadPrint),
        txt("CAD-Path", c.text(T::txtEtkPath)),
        txt("CAD-Extension", c.text(T::txtCADExtension)),
        num("CAD-PrintRest", s.cadPrintRest),
        txt("Command-Line", c.text(T::txtCommand).replace(u'"', kDegree)),
        num("Option-Command-Line", s.optionCommandLine),
        num("PrintToFit", s.printToFit),
        num("WritePrintData", s.writePrintData),
        num("Sonderzeichen", s.sonderzeichen),
        num("PaperOrientation", s.paperOrientation),
        num("PrintRAW", s.printRaw),
        num("WinCADPrint", s.winCadPrint),
        num("UTF8Codierung", c.check(C::chkUTF8)),
        txt("Printername", c.caption(L::lblDefPrinter)),
        num("ChinaCodierung", c.check(C::chkChina)),
        num("PrefixOnOff", c.check(C::chkPrefix)),
        txt("Prefix", c.text(T::txtPrefix)),
        num("RAWAddCrLf", s.rawAddCrLf),
        txt("Codierung", c.text(T::txtCodierung)),
        num("AblOnOff", c.check(C::chkModulname)),
    };
    QString error;
    const bool written = ConfigFile::write(s.configPath, records, &error);
    if (!written) {
        // No box, as a save never asked anything; the status line and the log say it.
        const QString text = RegionalFormat::dateTime(QDateTime::currentDateTime()) +
                             u" Configuration "_s + s.configPath + u" cannot be written: "_s +
                             error + u": the file keeps its old content"_s;
        c.setCaption(PrintControls::Label::lblError, text);
        m_hooks.logFailure(text);
    }

    s.ablOnOff = c.check(C::chkModulname) != 0;
    deriveShared();

    c.setEditMode(false);
    m_hooks.restartBackends(false);
    m_hooks.connectPlc();
    return written;
}

bool Configuration::checkConfigName()
{
    const QString name = m_prompt.saveFileName(m_settings.configPath);
    if (name.right(5).toUpper() == QLatin1String(".DCNF")) {
        m_settings.configPath = name;
        return true;
    }
    m_prompt.message(QStringLiteral("Wrong Filename :") + name);
    return false;
}
