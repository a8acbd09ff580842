#!/usr/bin/env bash
# One acquisition of the phantom through the real driver code path, without a card:
# PanoHost drives Scanlink_sim, the adaptation Generic is installed as Panodlg.dll and
# the simulated card plays the phantom's scan.
#   tools/demo.sh            (make demo; MODE=10|12 ROTATION=1|0 POSTPROCESS=<hex> TYPEPANO=0|1|2)
# ADAPTATION=kv80|kv40|trevian|brevian installs that module instead of Generic; PanelOperator
# answers its program dialog with PROGRAM (default the model's first) and the card plays
# that program's sections.
# ADAPTATION=ventra installs Ventra (with NPeng as NPLang.dll and NPjbus) and puts the
# NorvanePan unit simulator on COM1: the console comes up, its picture is taken, the
# simulated operator presses the unit's handswitch, and the console's log and
# configuration report join the image. ADAPTATION=ventra-demo does the same with its
# demonstration build Ventra_Demo.
# DRIVER=demo runs the demonstration set instead: PanoHost drives Scanlink_demo, Generic
# is Panodlg.dll and DEMO0001.TIF lies where "InstallDir" points (C:\KX).
# Leaves everything in out/demo/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${DRIVER:-sim}" = demo ]; then exec "$root/tools/demo-set.sh"; fi
[ "${DRIVER:-sim}" = sim ] || { echo "demo: DRIVER is sim or demo" >&2; exit 2; }
mode=${MODE:-10}
rotation=${ROTATION:-1}
post_process=${POSTPROCESS:-}
type_pano=${TYPEPANO:-1}
line_rate=${LINERATE:-300}
out=$root/out/demo
native=$root/build/native
win32=$root/build/win32

case $mode in 10) mode_orvix=1 ;; 12) mode_orvix=2 ;; *) echo "demo: MODE is 10 or 12" >&2; exit 2 ;; esac
adaptation=${ADAPTATION:-generic}
case $adaptation in
  generic) module=Generic ;; kv80) module=Kv80 first=20 ;; kv40) module=Kv40 first=20 ;;
  trevian) module=Trevian first=120 ;; brevian) module=Brevian first=130 ;;
  ventra) module=Ventra ;; ventra-demo) module=Ventra_Demo ;;
  *) echo "demo: ADAPTATION is generic, kv80, kv40, trevian, brevian, ventra or ventra-demo" >&2; exit 2 ;;
esac
program=${PROGRAM:-${first:-}}

echo "demo: building"
cmake --build "$native" --target phantom_tool >/dev/null
extra_targets=
[ "${module%_Demo}" = Ventra ] && extra_targets="NPeng NPjbus ventraunit_host"
cmake --build "$win32" --target Scanlink_sim $module PanoHost PanelOperator $extra_targets >/dev/null

export NP_WINE_DIR=$root/build/wine-demo
"$root/tools/wine-session" start
trap '"$root/tools/wine-session" stop' EXIT
while read -r assignments; do eval "export $assignments"; done < <("$root/tools/wine-session" env)
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
drive_c=$WINEPREFIX/drive_c
system32=$drive_c/windows/system32

# regedit exports one key per file, in UTF-16 with a byte-order mark; the two keys
# are joined as text (a line-wise cut of the UTF-16 bytes would shift the second
# half by one byte) into one file that regedit imports again.
machine_key='HKEY_LOCAL_MACHINE\Software\Classes\NORVANE'
user_key='HKEY_CURRENT_USER\Software\NORVANE'
export_settings() {
  wine regedit /E 'C:\demo\machine.reg' "$machine_key"
  wine regedit /E 'C:\demo\user.reg' "$user_key"
  {
    printf '\xff\xfe'
    {
      iconv -f UTF-16 -t UTF-8 "$drive_c/demo/machine.reg"
      iconv -f UTF-16 -t UTF-8 "$drive_c/demo/user.reg" | tail -n +3
    } | iconv -f UTF-8 -t UTF-16LE
  } >"$1"
}

# The settings file must bring both keys back on its own: they are removed, the file
# imported and exported again, and the result must equal what was saved.
check_settings_import() {
  printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n[-%s]\r\n\r\n' "$machine_key" "$user_key" \
    >"$drive_c/demo/clear.reg"
  wine regedit /S 'C:\demo\clear.reg'
  wine regedit /S 'C:\demo\settings.reg'
  export_settings "$drive_c/demo/settings-again.reg"
  if cmp -s "$drive_c/demo/settings.reg" "$drive_c/demo/settings-again.reg" &&
    iconv -f UTF-16 -t UTF-8 "$drive_c/demo/settings-again.reg" | grep -qF "[$user_key\\SIMULATOR\\CARD]"; then
    echo "demo: settings.reg imports again into regedit unchanged"
  else
    echo "demo: settings.reg does not import again unchanged" >&2
    return 1
  fi
}

echo "demo: installing the phantom's mask, $module as Panodlg.dll and the settings"
rm -rf "$out" "$drive_c/demo" "$drive_c/demo-bin"
mkdir -p "$out" "$drive_c/demo" "$drive_c/demo-bin"
"$native/sim/phantom/phantom_tool" --out "$out" --mode "$mode" --rotation "$rotation" >/dev/null
rm -f "$out/scan.raw"
mv "$out/scene.pgm" "$out/phantom-scene.pgm"
cp "$out/PANO.MSK" "$system32/PANO.MSK"
cp "$win32/bin/$module.dll" "$system32/Panodlg.dll"
cp "$win32/bin/PanoHost.exe" "$win32/bin/Scanlink_sim.dll" "$win32/bin/PanelOperator.exe" "$drive_c/demo-bin/"
card_layout=
if [ "${module%_Demo}" = Ventra ]; then
  # The unit's program: the three panoramic blocks, one section of 2588 lines.
  cp "$win32/bin/NPeng.dll" "$system32/NPLang.dll"
  cp "$win32/bin/NPjbus.dll" "$system32/NPjbus.dll"
  card_layout='"Widths"="2588" "Gaps"="10"'
  rm -f "$drive_c/NorvanePan.log" "$drive_c/ConfigNorvanePan.ini"
elif [ "$module" != Generic ]; then
  card_layout=$(cd "$drive_c/demo-bin" && wine PanelOperator.exe --layout "$adaptation" "$program" | tr -d '\r')
fi
rm -f "$drive_c"/Buffer[123].raw

# What an installation writes (machine keys), and how the simulated card plays.
reg=$drive_c/demo/settings-in.reg
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[-HKEY_CURRENT_USER\\Software\\NORVANE]\r\n\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE]\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE\\PANO]\r\n'
  printf '"BaudRatePano"=dword:00000001\r\n"TimeoutPano"=dword:00000064\r\n'
  printf '"BaudRateOrvix"=dword:00000001\r\n"ModeOrvix"=dword:%08x\r\n' "$mode_orvix"
  printf '"PostProcess"="%s"\r\n"TypePano"="%s"\r\n"Rotation"="%s"\r\n' "$post_process" "$type_pano" "$rotation"
  printf '"WithPreview"="1"\r\n"LigneHorsHisto"="0"\r\n"TimeOut"="500"\r\n'
  [ "${module%_Demo}" != Ventra ] || printf '"COM"="1"\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\NORVANE\\PANO\\VENTRA]\r\n"Baudrate"=dword:0000e100\r\n'
  printf '\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\NORVANE\\SIMULATOR\\CARD]\r\n'
  printf '"LineRate"=dword:%08x\r\n' "$line_rate"
  [ -z "$card_layout" ] || printf '%s\r\n' $card_layout
  printf '\r\n'
} >"$reg"
wine regedit /S 'C:\demo\settings-in.reg'

echo "demo: acquiring ($mode-bit, Rotation $rotation, TypePano $type_pano, PostProcess '${post_process}', $module${program:+ program $program})"
# The NorvanePan unit on COM1 (its command line on COM2), and the operator at the unit:
# once the console has told the unit it is in front, its picture is taken and the
# handswitch pressed.
unit_pid= operator_pid=
if [ "${module%_Demo}" = Ventra ]; then
  unit_lines=$out/unit.txt
  "$win32/host/ventraunit" --control </dev/null >"$unit_lines" &
  unit_pid=$!
  trap 'kill $unit_pid 2>/dev/null || true; "$root/tools/wine-session" stop' EXIT
  for _ in $(seq 100); do grep -q '^CONTROL ' "$unit_lines" && break; sleep 0.05; done
  for port in 1:DATA 2:CONTROL; do
    path=$(awk -v kind="${port#*:}" '$1 == kind {print $2}' "$unit_lines")
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM${port%%:*}" /d "$path" /f >/dev/null
    ln -sfn "$path" "$WINEPREFIX/dosdevices/com${port%%:*}"
  done
  control=$(awk '$1 == "CONTROL" {print $2}' "$unit_lines")
  echo 'set 7012 46 0 0 70 0 1 1; set 7019 46 64 96 0 25' >"$control"
  (
    for _ in $(seq 300); do grep -q '^COMMAND 0085' "$unit_lines" && break; sleep 0.1; done
    sleep 1
    x=$(( ($(xdpyinfo -display "$DISPLAY" | awk '/dimensions/ {split($2, d, "x"); print d[1]}') - 1024) / 2 + 1 ))
    y=$(( ($(xdpyinfo -display "$DISPLAY" | awk '/dimensions/ {split($2, d, "x"); print d[2]}') - 768) / 2 ))
    import -display "$DISPLAY" -window root -crop "1024x768+$x+$y" +repage "$out/console.png" 2>/dev/null || true
    echo "demo: the operator presses the handswitch"
    echo handswitch >"$control"
  ) &
  operator_pid=$!
fi

set +e
[ "$module" = Generic ] || [ "${module%_Demo}" = Ventra ] ||
  (cd "$drive_c/demo-bin" && wine PanelOperator.exe "$adaptation" "$program" | tr -d '\r') &
(cd "$drive_c/demo-bin" && wine PanoHost.exe --driver Scanlink_sim.dll --count 1 --out 'C:\demo') |
  tr -d '\r' | tee "$out/panohost.txt"
status=${PIPESTATUS[0]}
set -e

cp "$drive_c/demo"/*.{bmp,log,bin,raw} "$out/" 2>/dev/null || true
if [ "${module%_Demo}" = Ventra ]; then
  wait "$operator_pid"
  cp "$drive_c/NorvanePan.log" "$drive_c/ConfigNorvanePan.ini" "$out/" 2>/dev/null || true
  grep '^COMMAND' "$out/unit.txt" >"$out/unit-commands.txt" || true
  rm -f "$out/unit.txt"
fi
cp "$drive_c"/Buffer[123].raw "$out/" 2>/dev/null || true
export_settings "$drive_c/demo/settings.reg"
cp "$drive_c/demo/settings.reg" "$out/settings.reg"
check_settings_import
[ -f "$out/image-1.bmp" ] && convert "$out/image-1.bmp" "$out/pano.png"

echo
if [ "$status" -eq 0 ] && [ -f "$out/pano.png" ]; then
  echo "demo: the panoramic image is $out/pano.png (as delivered: $out/image-1.bmp)"
elif [ "$status" -eq 0 ]; then
  echo "demo: the raw image is in $out/raw-1.raw"
else
  echo "demo: the acquisition failed (PanoHost exit $status), see $out/panohost.txt" >&2
fi
grep -E '^(image|cost)=' "$out/panohost.txt" | sed 's/^/demo: /'
exit "$status"
