#pragma once

#include <QString>

// Option values of the product family, kept by area. The registry store implements it;
// housekeeping reads its limits through it.
class OptionStore {
public:
    virtual ~OptionStore() = default;
    virtual QString getOption(const QString &key, const QString &area) = 0;
    virtual void setOption(const QString &key, const QString &value, const QString &area) = 0;
};
