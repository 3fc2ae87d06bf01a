#pragma once

// Window measures in the station's rules are given in twips, the unit of the Windows
// stations the program came from: 1 twip = 1/1440 inch = 1/15 pixel at 96 dpi.
// Nearest whole pixel; a non-zero length never collapses to 0 pixels, so a gap of a few twips
// still shows as a gap.
int twipsToPixels(int twips);
