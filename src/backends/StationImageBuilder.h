#pragma once

#include "DrawingOutput.h"
#include "ImageBuilder.h"

struct AppSettings;

// The station's own image builder: genrestimage writes the remnant label as an EMF
// (RemnantLabel); PrintImage prints any drawing file the viewer reads on the named CUPS
// printer, in the station's orientation and scaling, and sets its error text when the file or
// the printer fails.
class StationImageBuilder : public ImageBuilder {
public:
    explicit StationImageBuilder(const AppSettings &settings);

    Failure genRestImage(const QString &path, const QStringList &values) override;
    Printed printImage(const QString &path, const QString &printer) override;

private:
    const AppSettings &m_settings;
};
