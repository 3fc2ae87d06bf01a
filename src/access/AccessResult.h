#pragma once

#include "AccessRows.h"
#include "SelectStatement.h"

#include <QSqlResult>
#include <memory>

class AccessDriver;
class AccessFile;

// One statement on an Access connection: parsed when prepared, evaluated when executed with the
// values bound to its "?", its rows then held until the next execution.
class AccessResult : public QSqlResult {
public:
    AccessResult(const AccessDriver *driver, std::shared_ptr<AccessFile> file);

protected:
    QVariant data(int index) override;
    bool isNull(int index) override;
    bool reset(const QString &query) override;
    bool prepare(const QString &query) override;
    bool exec() override;
    bool fetch(int index) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;

private:
    void fail(const Failure &failure);

    std::shared_ptr<AccessFile> m_file;
    SelectStatement m_statement;
    Failure m_parseFailure;
    AccessRows m_rows;
};
