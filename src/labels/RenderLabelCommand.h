#pragma once

#include <QStringList>

// Commissioning without a PLC: renders one label of a layout with values given on the command
// line, as the station would print it.
//   etikor --render-label LAYOUT [FIELD=VALUE...] -o OUT.pdf|OUT.png [--dpi N]
// A PDF is the page a CUPS queue gets; a PNG the bitmap a socket printer gets (203 dpi unless
// --dpi says otherwise). Relative image files are found beside the layout.
namespace RenderLabelCommand {
inline constexpr char kOption[] = "--render-label";
// arguments: without the program name. Prints what went wrong on the standard error; 0 when
// the label was written whole, 1 when something could not be painted or written, 2 for a
// command line it does not understand.
int run(const QStringList &arguments);
} // namespace RenderLabelCommand
