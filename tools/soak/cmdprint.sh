#!/bin/sh
# Stands in for the label program a command-line station starts: it appends the barcode it
# was started with ($2) to a file ($1), one line per run, so that every run can be counted.
printf '%s\n' "$2" >>"$1"
