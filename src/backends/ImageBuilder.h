#pragma once

#include "Failure.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The image builder's call table: genrestimage writes the remnant label, PrintImage prints a
// file on a named printer.
class ImageBuilder {
public:
    // What PrintImage gives back: its code (0 when printed), the error text it set, and a
    // failure of the call itself (pending when the call could not be made).
    struct Printed {
        qint32 code = 0;
        QString errorText;
        Failure failure;
    };

    virtual ~ImageBuilder() = default;
    virtual Failure genRestImage(const QString &path, const QStringList &values) = 0;
    virtual Printed printImage(const QString &path, const QString &printer) = 0;
};

using ImageBuilderFactory = std::function<std::unique_ptr<ImageBuilder>(QString &description)>;
