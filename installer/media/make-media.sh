#!/usr/bin/env bash
# The installation medium: the folder the installation program reads (through the
# CD-ROM's AUTORUN.INF, or copied to c:\12bits\orvixpci or c:\winnt40\ScanlinkNT), and
# its ISO 9660 image.
#   make-media.sh SOURCE_DIR MEDIA_DIR ISO_FILE NAME=PATH...
# NAME=PATH puts the built file PATH on the medium as NAME (a path below the source
# folder, e.g. DEMO/VENTRA.DLL).
set -euo pipefail
here=$1 media=$2 iso=$3
shift 3
folder=$media/WINNT40/SCANLINKNT

rm -rf "$media"
mkdir -p "$folder/DEMO"
cp "$here/AUTORUN.INF" "$media/AUTORUN.INF"
cp "$here/SCANLINK.INF" "$folder/SCANLINK.INF"
for entry in "$@"; do
  cp "${entry#*=}" "$folder/${entry%%=*}"
done

rm -f "$iso"
xorriso -as mkisofs -quiet -iso-level 2 -J -R -V ORVIX_PCI -o "$iso" "$media"
