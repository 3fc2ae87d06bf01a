#include "DesktopEntry.h"
#include "FileAssociation.h"
#include "MimeAppsList.h"
#include "MimePackage.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>
#include <optional>

namespace {

const QString kProgram = QStringLiteral("/opt/Etikor Station/etikor");
const QString kType = QStringLiteral("application/x-etikor-dcnf");

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The desktop tools are part of the test environment: in CI (CI set, and not to "false") a
// missing one is a failure.
bool toolAvailable(const char *name, QString &path) {
    path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty())
        return true;
    const QByteArray why = QByteArray(name) + " is not installed";
    const QByteArray ci = qgetenv("CI");
    if (!ci.isEmpty() && ci != "false" && ci != "0")
        QTest::qFail(why.constData(), __FILE__, __LINE__);
    else
        QTest::qSkip(why.constData(), __FILE__, __LINE__);
    return false;
}

struct Run {
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &program, const QStringList &arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a named desktop, xdg-mime answers from the freedesktop files themselves.
    for (const char *name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAll().trimmed()};
}

} // namespace

class TestFileAssociation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void classKeys_data();
    void classKeys();
    void mimePackageInstalled();
    void mimeTypeResolves_data();
    void mimeTypeResolves();
    void mimeCacheUpdated();
    void desktopEntryInstalled();
    void desktopEntryValidates();
    void desktopCacheUpdated();
    void defaultApplicationSet();
    void xdgMimeDefault();
    void xdgMimeFiletype();
    void execArgument_data();
    void execArgument();
    void mimeAppsDefault_data();
    void mimeAppsDefault();
    void otherExtension();
    void stopsAtFirstFailure();
    void packagingFilesMatch();

private:
    QString dataFile(const QString &relative) const;
    void useXdgFolders(const QString &root);

    QTemporaryDir m_dir;
    std::unique_ptr<RegistryStore> m_store;
    bool m_registered = false;
};

void TestFileAssociation::useXdgFolders(const QString &root) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QLatin1String("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QLatin1String("/config")));
}

QString TestFileAssociation::dataFile(const QString &relative) const {
    return m_dir.filePath(QStringLiteral("data/") + relative);
}

void TestFileAssociation::initTestCase() {
    QVERIFY(m_dir.isValid());
    useXdgFolders(m_dir.path());
    writeFile(m_dir.filePath(QStringLiteral("config/mimeapps.list")),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
              "[Default Applications]\ntext/plain=gedit.desktop\n");
    m_store = std::make_unique<RegistryStore>(m_dir.filePath(QStringLiteral("registry.reg")));
    FileAssociation association(*m_store);
    m_registered = association.registerFileType(QStringLiteral("DCNF"), kProgram);
    QVERIFY(m_registered);
}

void TestFileAssociation::classKeys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("defaultValue"); // empty: a key without values
    QTest::newRow("extension") << QStringLiteral(".DCNF") << QByteArray("DCNF_auto_file");
    QTest::newRow("class") << QStringLiteral("DCNF_auto_file") << QByteArray();
    QTest::newRow("shell") << QStringLiteral("DCNF_auto_file\\Shell") << QByteArray();
    QTest::newRow("open") << QStringLiteral("DCNF_auto_file\\Shell\\Open") << QByteArray();
    QTest::newRow("command") << QStringLiteral("DCNF_auto_file\\Shell\\Open\\Command")
                             << QByteArray("\"/opt/Etikor Station/etikor\" \"%1\"");
    QTest::newRow("icon") << QStringLiteral("DCNF_auto_file\\DefaultIcon")
                          << QByteArray("/opt/Etikor Station/etikor,0");
}

void TestFileAssociation::classKeys() {
    QFETCH(QString, key);
    QFETCH(QByteArray, defaultValue);
    QVERIFY(m_store->keyExists(RegistryStore::ClassesRoot, key));
    std::optional<RegistryValue> found;
    QVERIFY(!m_store->value(RegistryStore::ClassesRoot, key, QString(), found).pending());
    if (defaultValue.isEmpty()) {
        QVERIFY(!found);
        return;
    }
    QVERIFY(found);
    QCOMPARE(found->type, RegistryValue::Sz);
    QCOMPARE(found->data, defaultValue + '\0');
}

void TestFileAssociation::mimePackageInstalled() {
    QFile file(dataFile(QStringLiteral("mime/packages/etikor-dcnf.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString type, glob, comment;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"mime-type")
            type = xml.attributes().value(QLatin1String("type")).toString();
        else if (xml.name() == u"glob")
            glob = xml.attributes().value(QLatin1String("pattern")).toString();
        else if (xml.name() == u"comment" &&
                 xml.attributes().value(QLatin1String("xml:lang")).isEmpty())
            comment = xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(type, kType);
    QCOMPARE(glob, QStringLiteral("*.dcnf"));
    QCOMPARE(comment, QStringLiteral("Etikor station configuration"));
}

void TestFileAssociation::mimeTypeResolves_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("isConfiguration");
    QTest::newRow("lower case") << QStringLiteral("station.dcnf") << true;
    QTest::newRow("as Windows writes it") << QStringLiteral("Etikor.DCNF") << true;
    QTest::newRow("mixed case") << QStringLiteral("Linie 3.Dcnf") << true;
    QTest::newRow("backup") << QStringLiteral("station.dcnf.bak") << false;
    QTest::newRow("other extension") << QStringLiteral("station.cnf") << false;
}

void TestFileAssociation::mimeTypeResolves() {
    QFETCH(QString, fileName);
    QFETCH(bool, isConfiguration);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    QCOMPARE(type.name() == kType, isConfiguration);
    if (isConfiguration)
        QVERIFY(type.inherits(QStringLiteral("text/plain")));
}

void TestFileAssociation::mimeCacheUpdated() {
    QString tool;
    if (!toolAvailable("update-mime-database", tool))
        return;
    QVERIFY(QFile::exists(dataFile(QStringLiteral("mime/mime.cache"))));
    const QList<QByteArray> globs = readFile(dataFile(QStringLiteral("mime/globs2"))).split('\n');
    QVERIFY(globs.contains("50:application/x-etikor-dcnf:*.dcnf"));
}

void TestFileAssociation::desktopEntryInstalled() {
    const QList<QByteArray> lines =
        readFile(dataFile(QStringLiteral("applications/etikor.desktop"))).split('\n');
    QCOMPARE(lines.first(), QByteArray("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    QVERIFY(lines.contains("Exec=\"/opt/Etikor Station/etikor\" %f"));
    QVERIFY(lines.contains("MimeType=application/x-etikor-dcnf;"));
    QVERIFY(lines.contains("Terminal=false"));
}

void TestFileAssociation::desktopEntryValidates() {
    QString tool;
    if (!toolAvailable("desktop-file-validate", tool))
        return;
    const Run result = run(tool, {dataFile(QStringLiteral("applications/etikor.desktop"))});
    QVERIFY2(result.exitCode == 0 && result.output.isEmpty(), result.output.constData());
}

void TestFileAssociation::desktopCacheUpdated() {
    QString tool;
    if (!toolAvailable("update-desktop-database", tool))
        return;
    const QList<QByteArray> lines =
        readFile(dataFile(QStringLiteral("applications/mimeinfo.cache"))).split('\n');
    QVERIFY(lines.contains("application/x-etikor-dcnf=etikor.desktop;"));
}

void TestFileAssociation::defaultApplicationSet() {
    QCOMPARE(readFile(m_dir.filePath(QStringLiteral("config/mimeapps.list"))),
             QByteArray("[Added Associations]\ntext/plain=gedit.desktop;\n\n"
                        "[Default Applications]\ntext/plain=gedit.desktop\n"
                        "application/x-etikor-dcnf=etikor.desktop\n"));
}

void TestFileAssociation::xdgMimeDefault() {
    QString tool;
    if (!toolAvailable("xdg-mime", tool))
        return;
    const Run handler = run(tool, {QStringLiteral("query"), QStringLiteral("default"), kType});
    QCOMPARE(handler.output, QByteArray("etikor.desktop"));
}

// Outside a named desktop xdg-mime asks the freedesktop "mimetype" program (File::MimeInfo)
// for a file's type; without it, it falls back to file(1), which knows no globs of its own.
void TestFileAssociation::xdgMimeFiletype() {
    QString tool, backend;
    if (!toolAvailable("xdg-mime", tool) || !toolAvailable("mimetype", backend))
        return;
    const QString sample = m_dir.filePath(QStringLiteral("Linie 3.DCNF"));
    writeFile(sample, "[Server]\r\nModulName=Linie3\r\n");
    const Run filetype = run(tool, {QStringLiteral("query"), QStringLiteral("filetype"), sample});
    QCOMPARE(filetype.output, kType.toUtf8());
}

void TestFileAssociation::execArgument_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/etikor")
                           << QStringLiteral("\"/usr/bin/etikor\"");
    QTest::newRow("blank") << kProgram << QStringLiteral("\"/opt/Etikor Station/etikor\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/etikor")
                             << QStringLiteral("\"/opt/100%%/etikor\"");
    QTest::newRow("dollar") << QStringLiteral("/opt/a$b/etikor")
                            << QStringLiteral("\"/opt/a\\\\$b/etikor\"");
    QTest::newRow("quote") << QStringLiteral("/opt/\"x\"/etikor")
                           << QStringLiteral("\"/opt/\\\\\"x\\\\\"/etikor\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/etikor")
                               << QStringLiteral("\"/opt/a\\\\\\\\b/etikor\"");
    QTest::newRow("backtick") << QStringLiteral("/opt/`x`/etikor")
                              << QStringLiteral("\"/opt/\\\\`x\\\\`/etikor\"");
}

void TestFileAssociation::execArgument() {
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(DesktopEntry::execArgument(path), exec);
    QString tool;
    if (!toolAvailable("desktop-file-validate", tool))
        return;
    const QString file = m_dir.filePath(QStringLiteral("validate/etikor.desktop"));
    writeFile(file, DesktopEntry::text(path, kType));
    const Run result = run(tool, {file});
    QVERIFY2(result.exitCode == 0 && result.output.isEmpty(), result.output.constData());
}

void TestFileAssociation::mimeAppsDefault_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString entry = QStringLiteral("application/x-etikor-dcnf=etikor.desktop\n");
    QTest::newRow("no file") << QString() << QStringLiteral("[Default Applications]\n") + entry;
    QTest::newRow("no group")
        << QStringLiteral("[Added Associations]\ntext/plain=a.desktop;")
        << QStringLiteral(
               "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n") +
               entry;
    QTest::newRow("group in the middle")
        << QStringLiteral("[Default Applications]\ntext/plain=a.desktop\n\n[Removed Associations]\n"
                          "text/x-c=b.desktop\n")
        << QStringLiteral("[Default Applications]\ntext/plain=a.desktop\n") + entry +
               QStringLiteral("\n[Removed Associations]\ntext/x-c=b.desktop\n");
    QTest::newRow("replaces the old handler")
        << QStringLiteral("[Default Applications]\napplication/x-etikor-dcnf = old.desktop;\n"
                          "text/plain=a.desktop\n")
        << QStringLiteral("[Default Applications]\n") + entry +
               QStringLiteral("text/plain=a.desktop\n");
    QTest::newRow("same type in another group stays")
        << QStringLiteral("[Added Associations]\napplication/x-etikor-dcnf=old.desktop;\n"
                          "[Default Applications]\n")
        << QStringLiteral("[Added Associations]\napplication/x-etikor-dcnf=old.desktop;\n"
                          "[Default Applications]\n") +
               entry;
    QTest::newRow("prefix of another type")
        << QStringLiteral("[Default Applications]\napplication/x-etikor-dcnf2=x.desktop\n")
        << QStringLiteral("[Default Applications]\napplication/x-etikor-dcnf2=x.desktop\n") + entry;
}

void TestFileAssociation::mimeAppsDefault() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QCOMPARE(MimeAppsList::withDefault(before, kType, QStringLiteral("etikor.desktop")), after);
}

void TestFileAssociation::otherExtension() {
    QTemporaryDir other;
    useXdgFolders(other.path());
    RegistryStore store(other.filePath(QStringLiteral("registry.reg")));
    const bool registered = FileAssociation(store).registerFileType(
        QStringLiteral("ABC"), QStringLiteral("/usr/bin/etikor"));
    useXdgFolders(m_dir.path());
    QVERIFY(registered);
    std::optional<RegistryValue> found;
    QVERIFY(!store.value(RegistryStore::ClassesRoot, QStringLiteral(".ABC"), QString(), found)
                 .pending());
    QCOMPARE(found, std::optional(RegistryValue::fromText(QStringLiteral("ABC_auto_file"))));
    QVERIFY(
        store.keyExists(RegistryStore::ClassesRoot, QStringLiteral("ABC_auto_file\\Shell\\Open")));
    const QByteArray xml =
        readFile(other.filePath(QStringLiteral("data/mime/packages/etikor-abc.xml")));
    QVERIFY(xml.contains("<mime-type type=\"application/x-etikor-abc\">"));
    QVERIFY(xml.contains("<glob pattern=\"*.abc\"/>"));
    QVERIFY(readFile(other.filePath(QStringLiteral("data/applications/etikor.desktop")))
                .contains("\nMimeType=application/x-etikor-abc;\n"));
}

void TestFileAssociation::stopsAtFirstFailure() {
    QTemporaryDir other;
    useXdgFolders(other.path());
    writeFile(other.filePath(QStringLiteral("etc")), "a file, not a folder");
    RegistryStore store(other.filePath(QStringLiteral("etc/etikor/registry.reg")));
    const bool registered =
        FileAssociation(store).registerFileType(QStringLiteral("DCNF"), kProgram);
    useXdgFolders(m_dir.path());
    QVERIFY(!registered);
    QVERIFY(!QFile::exists(other.filePath(QStringLiteral("data"))));
    QVERIFY(!QFile::exists(other.filePath(QStringLiteral("config"))));
}

void TestFileAssociation::packagingFilesMatch() {
    const QString packaging =
        qEnvironmentVariable("ETIKOR_TEST_SOURCE") + QLatin1String("/../../packaging/");
    QVERIFY2(QFile::exists(packaging), qPrintable(packaging));
    QCOMPARE(readFile(packaging + QLatin1String("etikor-dcnf.xml")),
             MimePackage::xml(QStringLiteral("DCNF")));
    QCOMPARE(readFile(packaging + QLatin1String("etikor.desktop")),
             DesktopEntry::text(QStringLiteral("etikor"), kType));
}

QTEST_GUILESS_MAIN(TestFileAssociation)
#include "tst_fileassociation.moc"
