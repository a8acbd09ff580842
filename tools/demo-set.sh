#!/usr/bin/env bash
# The demonstration set under Wine: PanoHost drives Scanlink_demo, the adaptation Generic
# is installed as Panodlg.dll and the demonstration image DEMO0001.TIF lies in the
# directory the machine value "InstallDir" names (C:\KX, as an installation writes it).
#   tools/demo-set.sh        (make demo DRIVER=demo; COUNT=<images>)
# Leaves everything in out/demo/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
count=${COUNT:-1}
out=$root/out/demo
win32=$root/build/win32

echo "demo: building the demonstration set"
cmake --build "$win32" --target Scanlink_demo Generic PanoHost demo_image >/dev/null

export NP_WINE_DIR=$root/build/wine-demo
"$root/tools/wine-session" start
trap '"$root/tools/wine-session" stop' EXIT
while read -r assignments; do eval "export $assignments"; done < <("$root/tools/wine-session" env)
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
drive_c=$WINEPREFIX/drive_c
system32=$drive_c/windows/system32

echo "demo: installing Generic as Panodlg.dll and DEMO0001.TIF in C:\\KX"
rm -rf "$out" "$drive_c/demo" "$drive_c/demo-bin"
mkdir -p "$out" "$drive_c/demo" "$drive_c/demo-bin" "$drive_c/KX"
cp "$win32/bin/Generic.dll" "$system32/Panodlg.dll"
cp "$win32/bin/PanoHost.exe" "$win32/bin/Scanlink_demo.dll" "$drive_c/demo-bin/"
cp "$win32/bin/DEMO0001.TIF" "$drive_c/KX/DEMO0001.TIF"

reg=$drive_c/demo/settings-in.reg
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[-HKEY_CURRENT_USER\\Software\\NORVANE]\r\n\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE]\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE]\r\n'
  printf '"InstallDir"="C:\\\\KX"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE\\PANO]\r\n'
  printf '"TypePano"="1"\r\n"LigneHorsHisto"="0"\r\n\r\n'
} >"$reg"
wine regedit /S 'C:\demo\settings-in.reg'

echo "demo: acquiring $count image(s) with Scanlink_demo"
set +e
(cd "$drive_c/demo-bin" && wine PanoHost.exe --driver Scanlink_demo.dll --count "$count" --out 'C:\demo') |
  tr -d '\r' | tee "$out/panohost.txt"
status=${PIPESTATUS[0]}
set -e

cp "$drive_c/demo"/*.{bmp,log,bin} "$out/" 2>/dev/null || true
cp "$win32/bin/DEMO0001.TIF" "$out/"
[ -f "$out/image-1.bmp" ] && convert "$out/image-1.bmp" "$out/pano.png"

echo
if [ "$status" -eq 0 ] && [ -f "$out/pano.png" ]; then
  echo "demo: the demonstration image as delivered is $out/pano.png ($out/image-1.bmp)"
else
  echo "demo: the acquisition failed (PanoHost exit $status), see $out/panohost.txt" >&2
fi
grep -E '^(image|cost)=' "$out/panohost.txt" | sed 's/^/demo: /'
exit "$status"
