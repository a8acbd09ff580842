#!/usr/bin/env bash
# Assembles the integrators' kit in out/sdk/ and zips it as out/sdk.zip (make sdk).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native=$root/build/native
win32=$root/build/win32
bin=$win32/bin
out=$root/out/sdk

echo "sdk: building"
cmake --build "$native" --target phantom_tool >/dev/null
cmake --build "$win32" --target Scanlink Scanlink_demo Scanlink_sim Generic PanoView demo_image \
  sdk_import_libraries example_host_a PanodlgTemplate >/dev/null

echo "sdk: assembling $out"
rm -rf "$out" "$out.zip"
mkdir -p "$out"/{include,lib,bin,sim,examples/host,examples/adaptation,examples/bin}
cp "$root"/sdk/include/*.h "$out/include/"
cp "$win32"/sdk/lib/libScanlink.a "$win32"/sdk/lib/Scanlink.lib \
   "$win32"/sdk/lib/libScanlink_demo.a "$win32"/sdk/lib/Scanlink_demo.lib "$out/lib/"
cp "$bin"/Scanlink.dll "$bin"/Scanlink_demo.dll "$bin"/Scanlink_sim.dll "$bin"/Generic.dll \
   "$bin"/PanoView.exe "$bin"/DEMO0001.TIF "$out/bin/"
cp "$root"/sdk/examples/host/example_host.c "$out/examples/host/"
cp "$root"/sdk/examples/adaptation/panodlg_template.{c,def} "$out/examples/adaptation/"
cp "$bin"/example_host_a.exe "$out/examples/bin/example_host.exe"
cp "$bin"/PanodlgTemplate.dll "$out/examples/bin/"
cp "$root"/sdk/README.md "$out/README.md"

# The mask that matches the simulated card's phantom, and the settings to start from.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$native/sim/phantom/phantom_tool" --out "$scratch" --mode 10 >/dev/null
cp "$scratch/PANO.MSK" "$out/sim/PANO.MSK"
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\NORVANE\\PANO]\r\n'
  printf '"BaudRatePano"=dword:00000001\r\n"TimeoutPano"=dword:00000064\r\n'
  printf '"BaudRateOrvix"=dword:00000001\r\n"ModeOrvix"=dword:00000001\r\n'
  printf '"WithPreview"="1"\r\n"TypePano"="1"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\NORVANE\\SIMULATOR\\CARD]\r\n'
  printf '"LineRate"=dword:000000fa\r\n\r\n'
} >"$out/sim/settings.reg"

(cd "$out/.." && zip -qr sdk.zip sdk)
echo "sdk: $out ($(find "$out" -type f | wc -l) files) and $out.zip"
