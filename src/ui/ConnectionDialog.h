#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

// The station's own connection dialog behind the "..." button beside the print-data database
// path: the operator picks the engine (an SQLite file, a PostgreSQL server, an ODBC driver or
// data source, or a connection string typed as it is), fills in its fields, may test the
// connection, and confirms. The dialog shows a given connection string in those fields and
// builds the string back from them; keys it has no field for stay in "Further settings", so
// nothing the operator did not touch is lost.
class ConnectionDialog : public QDialog {
    Q_OBJECT
public:
    // The order of the engine box's entries.
    enum Engine { SqliteFile, PostgreSql, Odbc, ConnectionText };

    // Plays the operator's part on the open dialog and answers QDialog::Accepted or Rejected;
    // the station's default runs the dialog modally.
    using Operator = std::function<int(ConnectionDialog &dialog)>;
    // Shows a message box with a text and a title.
    using MessageFunction = std::function<void(const QString &text, const QString &title)>;

    explicit ConnectionDialog(QWidget *parent = nullptr);

    // The folder "~apppath~" stands for in a file name (the station's folder, which holds its
    // "Server" folder): the test opens the file there, and a file browsed to below it is
    // written with "~apppath~", so the configuration stays portable.
    void setStationFolder(const QString &folder) { m_stationFolder = folder; }
    // Fills the fields from a connection string or a plain file path and chooses its engine.
    void setConnectionString(const QString &text);
    // The connection string the fields make; empty when the chosen engine's fields are empty.
    QString connectionString() const;
    Engine engine() const;
    void setEngine(Engine engine);

    // Where the dialog opens for: the station's folder (see setStationFolder) and the title of
    // its message boxes.
    struct Station {
        QString folder;
        QString title;
    };

    // Lets the operator edit a connection string: the given text when the operator cancels or
    // the confirmed string does not open (reported in a message box with the station's
    // title), "" when the operator confirmed an empty connection, the new string otherwise.
    static QString editConnectionString(const QString &text, const Station &station,
                                        QWidget *parent);
    static QString editConnectionString(const QString &text, const Station &station,
                                        QWidget *parent, const Operator &operate,
                                        const MessageFunction &showMessage);
    // What the "..." button hands to editConnectionString: a plain file path becomes a Jet
    // connection string first, as on the Windows stations; a connection string stays.
    static QString cmdConnectionText(const QString &txtServer);

private:
    struct Fields;

    QWidget *createFilePage();
    QWidget *createServerPage();
    QWidget *createOdbcPage();
    QWidget *createTextPage();
    void fillOdbcChoices();
    static Fields parse(const QString &text);
    void showFields(const Fields &fields);
    void showPage(Engine chosen);
    QString build(Engine engine) const;
    QString fileProvider(const QString &file) const;
    void engineChosen(int index);
    void browse();
    void testConnection();

    QComboBox *m_engine;
    QStackedWidget *m_pages;
    QLineEdit *m_file;
    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QComboBox *m_driver;
    QComboBox *m_dsn;
    QLineEdit *m_text;
    QLineEdit *m_extra;
    QLabel *m_testResult;
    QString m_stationFolder;
    // The provider a file's string named (SQLite, Jet or ACE): kept so that a Windows
    // station's string comes back with its own provider.
    QString m_fileProvider;
    Engine m_shown = SqliteFile;
};
