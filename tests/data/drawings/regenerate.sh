#!/bin/sh
# Re-creates the fixtures in this folder from their sources (part-drawing.svg,
# portrait.svg, part-drawing.fodg). Needs Debian 12's inkscape (1.2.2),
# libreoffice-draw (7.4.7), pstoedit (3.78, with libemf1) and fonts-dejavu-core.
# The committed files are the reference; a re-run with other versions may differ
# in bytes (the PDF differs on every run by its creation date).
set -eu
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Inkscape keeps the options of its EMF/WMF writers in its preferences; by default
# it turns text into outlines. A scratch HOME with one preferences file selects
# text records (EMR_EXTTEXTOUTW / META_EXTTEXTOUT) or outlines explicitly.
prefs() { # $1 = home dir, $2 = true|false
    mkdir -p "$1/.config/inkscape"
    cat > "$1/.config/inkscape/preferences.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no"?>
<inkscape xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd" xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" version="1">
  <group id="extensions"
     org.inkscape.output.emf.textToPath="$2"
     org.inkscape.output.wmf.textToPath="$2" />
</inkscape>
XML
}
prefs "$scratch/text" false
prefs "$scratch/outlined" true

ink() { HOME="$1" inkscape "$2" --export-type="$3" --export-filename="$4" 2>/dev/null; }

for t in emf wmf; do
    ink "$scratch/text" part-drawing.svg "$t" "part-drawing.$t"
    ink "$scratch/text" portrait.svg "$t" "portrait.$t"
    ink "$scratch/outlined" part-drawing.svg "$t" "part-drawing-outlined.$t"
done
ink "$scratch/text" part-drawing.svg pdf part-drawing.pdf
HOME="$scratch/text" inkscape part-drawing.svg --export-type=png --export-dpi=96 \
    --export-background=white --export-background-opacity=1 \
    --export-filename=part-drawing.png 2>/dev/null

# LibreOffice Draw: its own WMF and EMF writers, from the flat ODF drawing.
mkdir -p "$scratch/lo/out"
for t in wmf emf; do
    HOME="$scratch/lo" soffice --headless --convert-to "$t" --outdir "$scratch/lo/out" \
        part-drawing.fodg >/dev/null 2>&1
    cp "$scratch/lo/out/part-drawing.$t" "part-drawing-libreoffice.$t"
done

# pstoedit: EMF through libEMF, from a PostScript export of the SVG; -OO is
# pstoedit's "OpenOffice compatible" mode (without it the header frame is
# about 17.7 times too large).
HOME="$scratch/text" inkscape part-drawing.svg --export-type=ps \
    --export-filename="$scratch/part-drawing.ps" 2>/dev/null
pstoedit -q -f 'emf:-OO' "$scratch/part-drawing.ps" part-drawing-pstoedit.emf 2>/dev/null
