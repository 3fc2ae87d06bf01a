#pragma once

#include "LabelRenderer.h"

#include <QByteArray>
#include <QStringList>

// One label as a PDF page of the label's own size (not the sheet's), which a label printer's
// CUPS queue turns into its printer language.
namespace LabelPdf {
// The PDF document; problems receives what the renderer could not paint.
QByteArray render(const LabelRenderer &renderer, const LabelValues &values,
                  QStringList *problems = nullptr);
} // namespace LabelPdf
