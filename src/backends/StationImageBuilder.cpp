#include "StationImageBuilder.h"

#include "AppSettings.h"
#include "Drawing.h"
#include "RemnantLabel.h"

#include <QFileInfo>

StationImageBuilder::StationImageBuilder(const AppSettings &settings)
    : m_settings(settings)
{
}

Failure StationImageBuilder::genRestImage(const QString &path, const QStringList &values)
{
    return RemnantLabel::write(path, values);
}

ImageBuilder::Printed StationImageBuilder::printImage(const QString &path, const QString &printer)
{
    Printed printed;
    Failure failure;
    const std::unique_ptr<Drawing> drawing = Drawing::load(path, failure);
    if (drawing)
        failure = DrawingOutput::print(*drawing, printer,
                                       {m_settings.paperOrientation, m_settings.printToFit != 0},
                                       QFileInfo(path).fileName());
    if (failure.pending())
        printed.errorText = failure.description;
    return printed;
}
