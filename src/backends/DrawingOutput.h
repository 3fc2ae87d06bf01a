#pragma once

#include "Failure.h"

#include <QPageSize>
#include <QString>

class Drawing;

// A drawing sent to a CUPS queue as one PDF page on the queue's paper: what the drawing
// viewer and the image builder both print through.
namespace DrawingOutput {

struct Settings {
    // 1 portrait, 2 landscape, anything else: portrait, as printers default to.
    int paperOrientation = 0;
    bool fit = false;
};

Failure print(const Drawing &drawing, const QString &printer, const Settings &settings,
              const QString &title);
// The paper a PWG media name ("iso_a4_210x297mm", "na_letter_8.5x11in") stands for; A4 for
// an empty or unreadable name.
QPageSize media(const QString &pwgName);

} // namespace DrawingOutput
