#pragma once

#include <QSqlDriver>
#include <memory>

class AccessFile;

// The Qt SQL driver of the Access back-end, registered under kName: a connection holds one
// snapshot of the file for its life, so a request sees one state of the file throughout and
// the next request the file as it is then. Read-only.
class AccessDriver : public QSqlDriver {
    Q_OBJECT
public:
    static const QString kName;
    // Makes the driver known to Qt SQL (once per process; later calls do nothing).
    static void registerDriver();

    explicit AccessDriver(QObject *parent = nullptr);
    ~AccessDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &db, const QString &user, const QString &password, const QString &host,
              int port, const QString &options) override;
    void close() override;
    QSqlResult *createResult() const override;
    QStringList tables(QSql::TableType type) const override;
    QSqlRecord record(const QString &tableName) const override;
    QString escapeIdentifier(const QString &identifier, IdentifierType type) const override;

    // The text of a saved query, as Access shows it; empty when there is no such query.
    QString savedQueryText(const QString &name) const;

private:
    std::shared_ptr<AccessFile> m_file;
};
