#pragma once

#include "LabelRenderer.h"

#include <QImage>
#include <QStringList>

// One label as a bitmap at a resolution: a socket printer's graphic label, the preview, a
// commissioning PNG. White where nothing is painted.
namespace LabelImage {
QImage render(const LabelRenderer &renderer, const LabelValues &values, double dpi,
              QStringList *problems = nullptr);
} // namespace LabelImage
