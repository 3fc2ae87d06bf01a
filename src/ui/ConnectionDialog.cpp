#include "ConnectionDialog.h"

#include "DatabaseConnection.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

// What a connection string says, in the dialog's terms.
struct ConnectionDialog::Fields {
    Engine engine = SqliteFile;
    QString provider = u"SQLite"_s;
    QString file;
    QString host;
    QString port;
    QString database;
    QString user;
    QString password;
    QString driver;
    QString dsn;
    QString extra;
    QString text;
};

namespace {

struct Pair {
    QString key;   // lower case, trimmed; empty for a part without "="
    QString value; // without its quotes
    QString raw;   // the part as written, for keys the dialog has no field for
};

// Splits "key=value;key=value" the way the database connection reads it: at every ";"
// outside double quotes and braces; a quoted value loses its quotes, a doubled quote inside
// stands for one.
QList<Pair> splitPairs(const QString &text)
{
    QList<QString> parts(1);
    QChar closing;
    for (const QChar c : text) {
        if (!closing.isNull() && c == closing)
            closing = QChar();
        else if (closing.isNull() && c == u'"')
            closing = u'"';
        else if (closing.isNull() && c == u'{')
            closing = u'}';
        else if (closing.isNull() && c == u';') {
            parts.append(QString());
            continue;
        }
        parts.last().append(c);
    }
    QList<Pair> pairs;
    for (const QString &part : std::as_const(parts)) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype equals = part.indexOf(u'=');
        Pair pair{{}, {}, part.trimmed()};
        if (equals >= 0) {
            pair.key = part.left(equals).trimmed().toLower();
            pair.value = part.mid(equals + 1).trimmed();
        }
        if (pair.value.size() >= 2 && pair.value.startsWith(u'"') && pair.value.endsWith(u'"'))
            pair.value = pair.value.mid(1, pair.value.size() - 2).replace(u"\"\""_s, u"\""_s);
        pairs.append(pair);
    }
    return pairs;
}

// A value that would not read back as itself goes in double quotes.
QString quoted(const QString &value)
{
    static const QRegularExpression special(u"[;\"{}]"_s);
    if (!value.contains(special) && value.trimmed() == value)
        return value;
    return u'"' + QString(value).replace(u"\""_s, u"\"\""_s) + u'"';
}

bool isFileProvider(const QString &provider)
{
    return provider.compare(u"SQLite"_s, Qt::CaseInsensitive) == 0 ||
           provider.startsWith(u"Microsoft.Jet.OLEDB"_s, Qt::CaseInsensitive) ||
           provider.startsWith(u"Microsoft.ACE.OLEDB"_s, Qt::CaseInsensitive);
}

// The engine a text names, by the rule the database connection opens it with: a provider
// string, an ODBC string (its first key names a driver or a data source), else a file path.
ConnectionDialog::Engine engineOf(const QString &text, const QList<Pair> &pairs)
{
    if (text.startsWith(u"PROVIDER"_s, Qt::CaseInsensitive)) {
        QString provider;
        for (const Pair &pair : pairs) {
            if (pair.key == u"provider"_s) {
                provider = pair.value;
                break;
            }
        }
        if (isFileProvider(provider))
            return ConnectionDialog::SqliteFile;
        if (provider.compare(u"PostgreSQL"_s, Qt::CaseInsensitive) == 0)
            return ConnectionDialog::PostgreSql;
        return ConnectionDialog::ConnectionText;
    }
    static const QStringList kOdbcKeys = {u"driver"_s, u"dsn"_s, u"filedsn"_s};
    if (!pairs.isEmpty() && kOdbcKeys.contains(pairs.first().key))
        return ConnectionDialog::Odbc;
    return ConnectionDialog::SqliteFile;
}

// Sections of an ODBC ini file that are not drivers or data sources.
QStringList odbcSections(const QString &path)
{
    QStringList sections = QSettings(path, QSettings::IniFormat).childGroups();
    sections.removeIf([](const QString &s) { return s.startsWith(u"ODBC"_s); });
    return sections;
}

} // namespace

ConnectionDialog::ConnectionDialog(QWidget *parent)
    : QDialog(parent)
    , m_engine(new QComboBox(this))
    , m_pages(new QStackedWidget(this))
    , m_extra(new QLineEdit(this))
    , m_testResult(new QLabel(this))
    , m_fileProvider(u"SQLite"_s)
{
    setWindowTitle(tr("Print-data database connection"));
    m_engine->setObjectName(u"cboEngine"_s);
    m_engine->addItems({tr("Database file (SQLite, Access)"), tr("PostgreSQL"), tr("ODBC"),
                        tr("Connection string")});
    m_pages->addWidget(createFilePage());
    m_pages->addWidget(createServerPage());
    m_pages->addWidget(createOdbcPage());
    m_pages->addWidget(createTextPage());
    m_extra->setObjectName(u"txtExtra"_s);
    m_extra->setPlaceholderText(tr("key=value;key=value"));
    m_testResult->setObjectName(u"lblTestResult"_s);
    m_testResult->setWordWrap(true);
    m_testResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *form = new QFormLayout;
    form->addRow(tr("Database engine:"), m_engine);
    form->addRow(m_pages);
    form->addRow(tr("Further settings:"), m_extra);

    auto *test = new QPushButton(tr("Test"), this);
    test->setObjectName(u"cmdTest"_s);
    test->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"buttons"_s);
    buttons->addButton(test, QDialogButtonBox::ActionRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_testResult);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(m_engine, &QComboBox::currentIndexChanged, this, &ConnectionDialog::engineChosen);
    connect(test, &QPushButton::clicked, this, &ConnectionDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 0);
}

QWidget *ConnectionDialog::createFilePage()
{
    auto *page = new QWidget(this);
    m_file = new QLineEdit(page);
    m_file->setObjectName(u"txtFile"_s);
    auto *browse = new QPushButton(tr("Browse…"), page);
    browse->setObjectName(u"cmdBrowse"_s);
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &ConnectionDialog::browse);
    auto *row = new QHBoxLayout;
    row->addWidget(m_file);
    row->addWidget(browse);
    auto *form = new QFormLayout(page);
    form->setContentsMargins({});
    form->addRow(tr("File:"), row);
    return page;
}

QWidget *ConnectionDialog::createServerPage()
{
    auto *page = new QWidget(this);
    auto *form = new QFormLayout(page);
    form->setContentsMargins({});
    const auto field = [&](QLineEdit *&edit, const QString &name, const QString &label) {
        edit = new QLineEdit(page);
        edit->setObjectName(name);
        form->addRow(label, edit);
    };
    field(m_host, u"txtHost"_s, tr("Host:"));
    field(m_port, u"txtPort"_s, tr("Port:"));
    field(m_database, u"txtDatabase"_s, tr("Database:"));
    field(m_user, u"txtUser"_s, tr("User:"));
    field(m_password, u"txtPassword"_s, tr("Password:"));
    m_host->setPlaceholderText(u"localhost"_s);
    m_port->setPlaceholderText(u"5432"_s);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_password->setEchoMode(QLineEdit::Password);
    return page;
}

QWidget *ConnectionDialog::createOdbcPage()
{
    auto *page = new QWidget(this);
    m_driver = new QComboBox(page);
    m_driver->setObjectName(u"cboDriver"_s);
    m_dsn = new QComboBox(page);
    m_dsn->setObjectName(u"cboDsn"_s);
    auto *form = new QFormLayout(page);
    form->setContentsMargins({});
    form->addRow(tr("Driver:"), m_driver);
    form->addRow(tr("or data source (DSN):"), m_dsn);
    fillOdbcChoices();
    return page;
}

QWidget *ConnectionDialog::createTextPage()
{
    auto *page = new QWidget(this);
    m_text = new QLineEdit(page);
    m_text->setObjectName(u"txtConnectionString"_s);
    auto *form = new QFormLayout(page);
    form->setContentsMargins({});
    form->addRow(tr("Connection string:"), m_text);
    return page;
}

// The drivers and data sources the ODBC driver manager knows, offered for choice; any other
// name can be typed in.
void ConnectionDialog::fillOdbcChoices()
{
    const QString sysIni = qEnvironmentVariable("ODBCSYSINI", u"/etc"_s);
    for (QComboBox *box : {m_driver, m_dsn}) {
        box->setEditable(true);
        box->addItem(QString());
    }
    m_driver->addItems(odbcSections(sysIni + u"/odbcinst.ini"_s));
    m_dsn->addItems(odbcSections(sysIni + u"/odbc.ini"_s));
    m_dsn->addItems(odbcSections(QDir::homePath() + u"/.odbc.ini"_s));
}

void ConnectionDialog::setConnectionString(const QString &text)
{
    const Fields fields = parse(text);
    showFields(fields);
    const QSignalBlocker blocker(m_engine);
    m_engine->setCurrentIndex(fields.engine);
    showPage(fields.engine);
}

ConnectionDialog::Fields ConnectionDialog::parse(const QString &text)
{
    Fields fields;
    fields.text = text.trimmed();
    const QList<Pair> pairs = splitPairs(fields.text);
    fields.engine = engineOf(fields.text, pairs);
    if (fields.engine == SqliteFile &&
        !fields.text.startsWith(u"PROVIDER"_s, Qt::CaseInsensitive)) {
        fields.file = fields.text;
        return fields;
    }
    if (fields.engine == ConnectionText)
        return fields;
    // Each field with the keys that fill it, the first one written winning; a key that no
    // field shows is kept in the further settings.
    const QList<std::pair<QString *, QStringList>> shown = {
        {&fields.provider, {u"provider"_s}},
        {&fields.file, {u"data source"_s}},
        {&fields.host, {u"host"_s, u"server"_s, u"data source"_s}},
        {&fields.port, {u"port"_s}},
        {&fields.database, {u"database"_s, u"initial catalog"_s}},
        {&fields.user, {u"user id"_s, u"uid"_s, u"user"_s}},
        {&fields.password, {u"password"_s, u"pwd"_s}},
        {&fields.driver, {u"driver"_s}},
        {&fields.dsn, {u"dsn"_s}}};
    QList<const QString *> engineFields;
    if (fields.engine == SqliteFile)
        engineFields = {&fields.provider, &fields.file};
    else if (fields.engine == PostgreSql)
        engineFields = {&fields.provider, &fields.host, &fields.port,
                        &fields.database, &fields.user, &fields.password};
    else
        engineFields = {&fields.driver, &fields.dsn};
    QStringList extra;
    QList<const QString *> filled;
    for (const Pair &pair : pairs) {
        const auto field = std::find_if(shown.cbegin(), shown.cend(), [&](const auto &entry) {
            return engineFields.contains(entry.first) && entry.second.contains(pair.key);
        });
        if (field == shown.cend() || filled.contains(field->first)) {
            extra.append(pair.raw);
            continue;
        }
        *field->first = pair.value;
        filled.append(field->first);
    }
    // ODBC writes a driver's name in braces; the field shows the name.
    if (fields.driver.startsWith(u'{') && fields.driver.endsWith(u'}'))
        fields.driver = fields.driver.mid(1, fields.driver.size() - 2);
    fields.extra = extra.join(u';');
    return fields;
}

void ConnectionDialog::showFields(const Fields &fields)
{
    m_fileProvider = fields.provider;
    m_file->setText(fields.file);
    m_host->setText(fields.host);
    m_port->setText(fields.port);
    m_database->setText(fields.database);
    m_user->setText(fields.user);
    m_password->setText(fields.password);
    m_driver->setCurrentText(fields.driver);
    m_dsn->setCurrentText(fields.dsn);
    m_extra->setText(fields.extra);
    m_text->setText(fields.text);
}

QString ConnectionDialog::connectionString() const
{
    return build(engine());
}

// A file keeps the provider it came with (Windows stations wrote the Jet provider for any
// file), except that an Access file chosen under SQLite gets the provider Windows stations
// wrote for it.
QString ConnectionDialog::fileProvider(const QString &file) const
{
    if (m_fileProvider.compare(u"SQLite"_s, Qt::CaseInsensitive) != 0 ||
        !DatabaseConnection::isAccessFile(DatabaseConnection::resolveFile(file, m_stationFolder)))
        return m_fileProvider;
    return file.endsWith(u"db"_s, Qt::CaseInsensitive) ||
                   file.endsWith(u"de"_s, Qt::CaseInsensitive)
               ? u"Microsoft.ACE.OLEDB.12.0"_s
               : u"Microsoft.Jet.OLEDB.4.0"_s;
}

QString ConnectionDialog::build(Engine chosen) const
{
    QStringList parts;
    const auto add = [&parts](const QString &key, const QLineEdit *edit) {
        if (!edit->text().isEmpty())
            parts.append(key + u'=' + quoted(edit->text()));
    };
    switch (chosen) {
    case SqliteFile:
        if (m_file->text().isEmpty())
            return {};
        parts.append(u"Provider="_s + fileProvider(m_file->text()));
        add(u"Data Source"_s, m_file);
        break;
    case PostgreSql:
        if ((m_host->text() + m_port->text() + m_database->text() + m_user->text()).isEmpty())
            return {};
        parts.append(u"Provider=PostgreSQL"_s);
        add(u"Host"_s, m_host);
        add(u"Port"_s, m_port);
        add(u"Database"_s, m_database);
        add(u"User ID"_s, m_user);
        add(u"Password"_s, m_password);
        break;
    case Odbc:
        if (m_driver->currentText().isEmpty() && m_dsn->currentText().isEmpty())
            return {};
        // Braces are how ODBC quotes a driver name, which often has blanks.
        if (!m_driver->currentText().isEmpty())
            parts.append(u"Driver={"_s + m_driver->currentText() + u'}');
        if (!m_dsn->currentText().isEmpty())
            parts.append(u"DSN="_s + m_dsn->currentText());
        break;
    case ConnectionText:
        return m_text->text().trimmed();
    }
    const QString extra = m_extra->text().trimmed();
    if (!extra.isEmpty())
        parts.append(extra);
    return parts.join(u';');
}

ConnectionDialog::Engine ConnectionDialog::engine() const
{
    return Engine(m_engine->currentIndex());
}

void ConnectionDialog::setEngine(Engine chosen)
{
    m_engine->setCurrentIndex(chosen);
}

// Switching to the text shows the string the fields made; switching back reads the possibly
// edited text into the fields, while the engine stays the one chosen.
void ConnectionDialog::engineChosen(int index)
{
    const auto chosen = Engine(index);
    if (chosen == ConnectionText && m_shown != ConnectionText)
        m_text->setText(build(m_shown));
    else if (chosen != ConnectionText && m_shown == ConnectionText)
        showFields(parse(m_text->text()));
    showPage(chosen);
}

void ConnectionDialog::showPage(Engine chosen)
{
    m_shown = chosen;
    m_pages->setCurrentIndex(chosen);
    m_extra->setEnabled(chosen != ConnectionText);
    m_testResult->clear();
}

void ConnectionDialog::browse()
{
    const QString current = DatabaseConnection::resolveFile(m_file->text(), m_stationFolder);
    const QString start = current.isEmpty() ? QDir::homePath() : QFileInfo(current).path();
    QString chosen = QFileDialog::getOpenFileName(
        this, tr("Print-data database"), start,
        tr("Databases (*.db *.sqlite *.sqlite3 *.mdb *.accdb);;All files (*)"));
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::cleanPath(m_stationFolder) + u'/';
    if (!m_stationFolder.isEmpty() && chosen.startsWith(folder))
        chosen = u"~apppath~/"_s + chosen.mid(folder.size());
    m_file->setText(QDir::toNativeSeparators(chosen));
}

void ConnectionDialog::testConnection()
{
    const QString text = connectionString();
    if (text.isEmpty()) {
        m_testResult->setText(tr("Nothing to connect to: the fields are empty."));
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const DatabaseConnection connection(text, m_stationFolder);
    QGuiApplication::restoreOverrideCursor();
    if (!connection.isOpen()) {
        m_testResult->setText(connection.failure().description);
        return;
    }
    // What the database holds tells a commissioning engineer whether it is the right one.
    const QSqlDatabase db = connection.database();
    const QStringList tables = db.tables(QSql::Tables);
    const QStringList views = db.tables(QSql::Views);
    QString shown = tr("The connection succeeded.");
    shown += u' ' + (tables.isEmpty() ? tr("It has no tables.")
                                      : tr("Tables: %1.").arg(tables.join(u", "_s)));
    if (!views.isEmpty())
        shown += u' ' + tr("Stored queries: %1.").arg(views.join(u", "_s));
    m_testResult->setText(shown);
}

QString ConnectionDialog::editConnectionString(const QString &text, const Station &station,
                                               QWidget *parent)
{
    const auto operate = [](ConnectionDialog &dialog) {
        return dialog.exec();
    };
    const auto showMessage = [parent](const QString &message, const QString &title) {
        QMessageBox box(QMessageBox::NoIcon, title, message, QMessageBox::Ok, parent);
        box.setObjectName(u"connectionFailed"_s);
        box.exec();
    };
    return editConnectionString(text, station, parent, operate, showMessage);
}

QString ConnectionDialog::editConnectionString(const QString &text, const Station &station,
                                               QWidget *parent, const Operator &operate,
                                               const MessageFunction &showMessage)
{
    ConnectionDialog dialog(parent);
    dialog.setStationFolder(station.folder);
    dialog.setConnectionString(text);
    if (operate(dialog) != QDialog::Accepted)
        return text;
    const QString chosen = dialog.connectionString();
    if (chosen.isEmpty())
        return QString();
    const DatabaseConnection connection(chosen, station.folder);
    if (!connection.isOpen()) {
        showMessage(u"Connection Failed  "_s + chosen, station.title);
        return text;
    }
    return chosen;
}

QString ConnectionDialog::cmdConnectionText(const QString &txtServer)
{
    return txtServer.isEmpty() ? txtServer : DatabaseConnection::jetConnectionString(txtServer);
}
