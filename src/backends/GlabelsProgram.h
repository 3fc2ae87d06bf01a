#pragma once

#include "LabelProgram.h"
#include "LabelRenderer.h"

#include <QHash>
#include <functional>

// The station's own label program: layouts are gLabels files, an object is found by the
// merge field it shows (DocObjects("X") is the object whose whole content is field X; a
// field that mixed texts use is found too and fills them all), and a label is rendered and
// handed to the printer function.
class GlabelsProgram : public LabelProgram {
public:
    // Prints one label; a pending Failure when it did not reach the printer.
    using Printer =
        std::function<Failure(const LabelRenderer &renderer, const LabelValues &values)>;

    explicit GlabelsProgram(Printer printer);

    std::unique_ptr<LabelDocument> open(const QString &path, QString &description) override;
    void quit() override {}

private:
    Printer m_printer;
};
