#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/cross/wine_check.sh BUILD_WIN [BUILD_LINUX] - the Windows build of the game run under wine,
# as a player would: started from a folder with its data, the title screen checked by its pixels,
# a key starts a run, standing still a ball hits and the game-over banner shows, Ctrl+Q ends it
# with status 0, and so does Alt+F4; stdout.txt and stderr.txt beside the program hold the start-up
# lines (in %APPDATA%\GameName when the program's folder cannot be written), and settings.dat in
# %APPDATA%\GameName is read. The program's icon, version and manifest are read back from it. The whole start-up transcript (good data, no data
# folder, two damaged data.json, a settings.dat that is too long) must be the Linux program's, in
# BUILD_LINUX (default: build/ beside BUILD_WIN), line for line, and the one tests/expected holds.
# The zip: the program imports SDL, libxmp and libsndfile as DLLs, and the zip holds every DLL
# that it and those DLLs import beyond Windows' own; the game runs from the unpacked zip with
# libxmp's DLL swapped for one built again from the same Debian source package
# (tools/cross/deps.sh --rebuild, at another optimisation level, so its code differs). Then the
# installer: a silent install, the game started through its Start-menu shortcut reaching its first
# frame, install and uninstall refused while the game runs, a reinstall finding the remembered
# folder, an upgrade from an older version in place, a silent uninstall that leaves nothing
# behind, and an install for all users (HKLM). A start without a data folder shows a message box.
# Prints one line per check, "ok: what" or "FAIL: what"; exits with the number of failures.
# Needs DISPLAY (an X server without a window manager, as tools/test.sh starts), xdotool,
# ImageMagick, icoutils, makensis and unzip.
set -uo pipefail
BUILD=$(cd "${1:?usage: wine_check.sh BUILD_WIN [BUILD_LINUX]}" && pwd)
LINUX=$(cd "${2:-$BUILD/../build}" && pwd)
cd "$(dirname "$0")/../.."
. tools/cross/wine_env.sh "$BUILD"
WORK=$BUILD/wine-check
rm -rf "$WORK"; mkdir -p "$WORK"
trap 'wine_stop' EXIT
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:.*=//p' "$BUILD/CMakeCache.txt")
SETUP=$(ls "$BUILD"/dist/glitzfall-*-setup.exe 2>/dev/null | head -1)
ZIP=$(ls "$BUILD"/dist/glitzfall-*-win64.zip 2>/dev/null | head -1)
TITLE="GLITZ FALL!! FEST 2012 GRAB BAG"

failures=0
check() { # what, command...
  local what=$1; shift
  local out
  if out=$("$@" 2>&1); then echo "ok: $what"; else echo "FAIL: $what"; sed 's/^/    /' <<<"$out" | tail -25; failures=$((failures + 1)); fi
}

# The per-user folder as wine gives it to the program (%APPDATA%\GameName), in Unix terms.
APPDATA_WIN=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
USERDIR=$(winepath -u "$APPDATA_WIN" 2>/dev/null)/GameName

# --- one run of a program ------------------------------------------------------------------------
# start_game DIR EXE [wine|linux]: starts EXE with DIR as its working folder; PID is the process.
# The Windows program writes DIR_OF_EXE/stdout.txt and stderr.txt itself (SDL's entry); the Linux
# one is redirected to the same names in DIR.
start_game() {
  local dir=$1 exe=$2 kind=${3:-wine}
  if [[ $kind == wine ]]; then
    (cd "$dir" && GLITZ_TICK_REPORT=1 exec wine "$exe" >/dev/null 2>&1) &
  else
    (cd "$dir" && GLITZ_TICK_REPORT=1 HOME=$WORK/linux-home SDL_AUDIODRIVER=dummy exec "$exe" >stdout.txt 2>stderr.txt) &
  fi
  PID=$!
}

# wait_line FILE TEXT SECONDS: until FILE holds TEXT; fails when the program PID ended first
# (with PID empty, only the time bounds the wait).
wait_line() {
  local i
  for i in $(seq $(($3 * 10))); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    [[ -z $PID ]] || kill -0 "$PID" 2>/dev/null || { grep -qF -- "$2" "$1" 2>/dev/null; return; }
    sleep 0.1
  done
  return 1
}

# The program's window (found by its title), or "".
game_window() { xdotool search --onlyvisible --name "$TITLE" 2>/dev/null | head -1; }

# key KEYS...: typed into the game's window.
key() { local w; w=$(game_window); [[ -n $w ]] && xdotool windowfocus --sync "$w" key "$@" >/dev/null 2>&1; }

# stop_game [KEYS]: Ctrl+Q (or KEYS), then the exit status (124 when it did not end within 20 s).
stop_game() {
  key "${1:-ctrl+q}"
  local i
  for i in $(seq 200); do
    kill -0 "$PID" 2>/dev/null || { wait "$PID"; return; }
    sleep 0.1
  done
  kill "$PID" 2>/dev/null; wait "$PID" 2>/dev/null
  return 124
}

# --- pixels ---------------------------------------------------------------------------------------
shot() { local w; w=$(game_window); [[ -n $w ]] && import -window "$w" "$WORK/shot.png" 2>/dev/null; }
# count COLOR X0 Y0 X1 Y1: pixels of that colour (hex RRGGBB, or "any" for not black) in the box.
count() {
  local sel="-fill white +opaque black"
  [[ $1 != any ]] && sel="-fill black +opaque #$1 -fill white -opaque #$1"
  # shellcheck disable=SC2086
  convert "$WORK/shot.png" -crop "$(($4 - $2))x$(($5 - $3))+$2+$3" +repage $sel -colorspace gray \
    -format '%[fx:int(mean*w*h+0.5)]' info: 2>/dev/null || echo 0
}
size() { identify -format '%wx%h' "$WORK/shot.png" 2>/dev/null; }
is_title() { [[ $(size) == 1024x768 && $(count any 462 334 562 434) -gt 9000 && $(count FFFF55 100 154 924 307) -gt 300 && $(count 55FFFF 100 461 924 614) -gt 300 ]]; }
is_play() { [[ $(count FFFF55 100 154 924 307) -eq 0 && $(count 55FFFF 462 0 562 100) -gt 100 ]]; }
is_fail() { [[ $(count FF55FF 200 334 824 434) -gt 1000 ]]; }
# wait_screen TEST SECONDS: until a capture passes TEST.
wait_screen() {
  local end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    shot && "$1" && return 0
    sleep 0.2
  done
  return 1
}

# --- the game as a player starts it -----------------------------------------------------------------
# put_program DIR: the program and the DLLs it loads (the build folder's copies) into DIR.
put_program() { cp "$BUILD/glitzfall.exe" "$BUILD"/*.dll "$1/"; }

GAME=$WORK/game
mkdir -p "$GAME"
put_program "$GAME"
ln -s "$BUILD/data" "$GAME/data"
rm -rf "$USERDIR"
mkdir -p "$USERDIR"
# settings.dat of 140 bytes: version 1, ident "wine", music 80 %, sound 20 %.
python3 -c "import struct,sys; sys.stdout.buffer.write(struct.pack('<i128sii', 1, b'wine', 80, 20))" >"$USERDIR/settings.dat"

play_through() { # [DIR]: the folder to run glitzfall.exe in (default: $GAME)
  local dir=${1:-$GAME}
  start_game "$dir" "$dir/glitzfall.exe"
  wait_line "$dir/stderr.txt" "first frame at" 90 || { echo "no first frame"; cat "$dir/stderr.txt"; return 1; }
  wait_screen is_title 20 || { echo "no title screen ($(size))"; return 1; }
  key space
  wait_screen is_play 10 || { echo "the key did not start a run"; return 1; }
  wait_screen is_fail 90 || { echo "no game-over banner"; return 1; }
  stop_game || { echo "exit status $?"; return 1; }
}
check "game under wine: title, a run, the game-over banner, Ctrl+Q with status 0" play_through

# Alt+F4 is the window's close request, as Windows programs have it: the game ends as it does when
# its window's close box is clicked, with status 0.
alt_f4() {
  rm -f "$GAME/stdout.txt" "$GAME/stderr.txt"   # the run above's lines
  start_game "$GAME" "$GAME/glitzfall.exe"
  wait_line "$GAME/stderr.txt" "first frame at" 90 || { echo "no first frame"; cat "$GAME/stderr.txt"; return 1; }
  stop_game alt+F4 || { echo "exit status $?"; return 1; }
}
check "Alt+F4 ends the game with status 0" alt_f4

# --- the program's resources ------------------------------------------------------------------------
# Read back from the built program with icoutils: the icon in 16, 32, 48 and 256 pixels, the
# version of project() in CMakeLists.txt (in the fixed block and as text) and the manifest.
exe_resources() {
  local exe=$BUILD/glitzfall.exe res=$WORK/resources sizes
  rm -rf "$res"; mkdir -p "$res"
  wrestool -x --type=group_icon -o "$res/icon.ico" "$exe" 2>&1 || return 1
  sizes=$(icotool -l "$res/icon.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
  [[ $sizes == "16 32 48 256 " ]] || { echo "icon sizes: $sizes"; icotool -l "$res/icon.ico"; return 1; }
  wrestool -x --raw --type=version "$exe" >"$res/version.bin" && [[ -s $res/version.bin ]] || { echo "no version resource"; return 1; }
  python3 - "$res/version.bin" "$VERSION" <<'PY' || return 1
import re, struct, sys
data, want = open(sys.argv[1], 'rb').read(), sys.argv[2]
at = data.find(struct.pack('<I', 0xFEEF04BD))   # VS_FIXEDFILEINFO
ms, ls, pms, pls = struct.unpack_from('<4I', data, at + 8)
fixed = {'%d.%d.%d' % (v >> 16, v & 0xFFFF, w >> 16) for v, w in ((ms, ls), (pms, pls))}
text = data.decode('utf-16-le', 'replace')
strings = {k: re.search(k + r'\0+([^\0]*)', text) for k in ('FileVersion', 'ProductVersion', 'ProductName')}
got = {k: m.group(1) if m else None for k, m in strings.items()}
ok = at >= 0 and fixed == {want} and got['FileVersion'] == want and got['ProductVersion'] == want \
    and got['ProductName'] == 'Glitz Fall'
if not ok:
    print('version resource:', fixed, got, 'want', want)
sys.exit(0 if ok else 1)
PY
  wrestool -x --raw --type=24 "$exe" >"$res/manifest.xml" || return 1
  local want
  for want in 'level="asInvoker"' 'Microsoft.Windows.Common-Controls' 'PerMonitorV2' '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a'; do
    grep -qF "$want" "$res/manifest.xml" || { echo "manifest without $want:"; cat "$res/manifest.xml"; return 1; }
  done
}
check "glitzfall.exe: icon of 16, 32, 48 and 256 px, version $VERSION, manifest (asInvoker, per-monitor DPI, controls v6)" exe_resources

# text FILE: a file the Windows program wrote, with its line ends (CR LF there) made Unix ones.
text() { tr -d '\r' <"$1" 2>/dev/null; }

startup_lines() {
  text "$GAME/stdout.txt" >"$WORK/stdout.txt"; text "$GAME/stderr.txt" >"$WORK/stderr.txt"
  local out=$WORK/stdout.txt err=$WORK/stderr.txt
  grep -qx "SDL Runtime Version: 1.2.15" "$out" && grep -qx "data folder: ./data" "$out" ||
    { echo "stdout.txt:"; cat "$out"; return 1; }
  grep -qx "== joystick init............." "$err" && grep -qx "_try_init_video(1024,768,0)" "$err" &&
    grep -qx "res: 1024 x 768" "$err" || { echo "stderr.txt:"; cat "$err"; return 1; }
  # state.dat is missing, in the per-user folder inside APPDATA; settings.dat was found.
  grep -qxF "file not found: $APPDATA_WIN/GameName/state.dat" "$err" || { echo "no state.dat line"; cat "$err"; return 1; }
  if grep -F "settings.dat" "$err"; then return 1; fi
  if grep -E "unable to find|failed" "$err"; then return 1; fi
}
check "stdout.txt and stderr.txt beside the program; settings.dat read from %APPDATA%\\GameName" startup_lines

# --- start-up transcripts: the same lines as on Linux ------------------------------------------------
# transcript DIR: both streams of a run, in order, with what differs between machines blanked
# (tests/expected/normalize.sed, as the Linux program's test uses it).
transcript() {
  sed -E -f tests/expected/normalize.sed "$1/stdout.txt"
  echo "--- stderr"
  sed -E -f tests/expected/normalize.sed "$1/stderr.txt"
}

# same_start NAME SETUP [EXPECTED]: runs both programs in a folder prepared by SETUP DIR USERDIR,
# ends them with Ctrl+Q after their first frame, and compares their whole transcripts with each
# other and, when given, with tests/expected/EXPECTED.
same_start() {
  local name=$1 prepare=$2 expected=${3:-} kind dir
  for kind in wine linux; do
    dir=$WORK/$name-$kind
    rm -rf "$dir"; mkdir -p "$dir" "$WORK/linux-home/.local/share"
    rm -rf "$USERDIR" "$WORK/linux-home/.local/share/GameName"
    mkdir -p "$USERDIR" "$WORK/linux-home/.local/share/GameName"
    "$prepare" "$dir" "$USERDIR"
    "$prepare" "$dir" "$WORK/linux-home/.local/share/GameName"
    if [[ $kind == wine ]]; then
      put_program "$dir"
      start_game "$dir" "$dir/glitzfall.exe"
      [[ $prepare != no_data ]] || data_alert || return 1
    else
      start_game "$dir" "$LINUX/glitzfall" linux
    fi
    wait_line "$dir/stderr.txt" "first frame at" 90 || { echo "$kind: no first frame"; cat "$dir/stderr.txt"; return 1; }
    stop_game || { echo "$kind: exit status $?"; return 1; }
    transcript "$dir" >"$dir/transcript.txt"
  done
  diff "$WORK/$name-linux/transcript.txt" "$WORK/$name-wine/transcript.txt" || return 1
  [[ -z $expected ]] || diff "tests/expected/$expected" "$WORK/$name-wine/transcript.txt" || return 1
}
# data_alert: without a data folder the Windows program tells the player in a message box (its
# text names the full folder: wine's boxes offer no copy of it to check), closed here with Enter;
# the game then goes on.
data_alert() {
  local box i
  for i in $(seq 300); do
    box=$(xdotool search --onlyvisible --name '^GameName: no data folder$' 2>/dev/null | head -1)
    [[ -z $box ]] || break
    kill -0 "$PID" 2>/dev/null || { echo "ended without a message box"; return 1; }
    sleep 0.1
  done
  [[ -n $box ]] || { echo "no message box"; return 1; }
  xdotool windowfocus --sync "$box" key Return >/dev/null 2>&1
  for i in $(seq 100); do
    [[ -n $(xdotool search --onlyvisible --name '^GameName: no data folder$' 2>/dev/null) ]] || return 0
    sleep 0.1
  done
  echo "the message box stayed"; return 1
}
good_data() { [[ -e $1/data ]] || ln -s "$BUILD/data" "$1/data"; }   # called for each per-user folder
no_data() { :; }
# The same catalogues as tests/test_program.cpp's: a "//" comment before the '{', and a text cut
# inside its second entry.
comment_json() {
  mkdir -p "$1/data"
  printf '// assets\n{"ball": {}}' >"$1/data/data.json"
}
cut_json() {
  mkdir -p "$1/data"
  printf '%s' '{"ball": {"texture": "ball.png", "rect": {"x": 0, "y": 0, "w": 64, "h": 64}, "shape": {"x": 0, "y": 0, "w": 64, "h": 64}}, "ball.png": {"fname": ' >"$1/data/data.json"
}
long_settings() {
  head -c 277 /dev/zero >"$2/settings.dat"
  [[ -e $1/data ]] || ln -s "$BUILD/data" "$1/data"
}
check "good data: the start-up transcript of Linux, line for line" same_start good good_data startup_good.txt
check "no data folder: a message box; the start-up transcript of Linux, no crash" same_start no-data no_data startup_missing.txt
check "data.json failing before its '{': the start-up transcript of Linux, no crash" same_start comment comment_json startup_comment.txt
check "data.json cut short: the start-up transcript of Linux, no crash" same_start cut cut_json startup_cut.txt
check "settings.dat of 277 bytes: the start-up transcript of Linux, no crash" same_start long-settings long_settings

# --- the zip's DLLs -----------------------------------------------------------------------------------
UNZIPPED=$WORK/zip/$(basename "$ZIP" -win64.zip)   # the zip's one folder, glitzfall-<version>
OBJDUMP=x86_64-w64-mingw32-objdump
# What Windows itself provides, of what the program and its DLLs import. Anything else (say
# libwinpthread-1.dll or libgcc_s_seh-1.dll) has to come in the zip.
SYSTEM_DLLS=" ADVAPI32.dll GDI32.dll GLU32.dll KERNEL32.dll msvcrt.dll OPENGL32.dll USER32.dll WINMM.dll WS2_32.dll "
imports() { "$OBJDUMP" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }

zip_dlls() {
  [[ -n $ZIP ]] || { echo "no zip in $BUILD/dist"; return 1; }
  rm -rf "$WORK/zip" && mkdir -p "$WORK/zip"
  unzip -q "$ZIP" -d "$WORK/zip" || return 1
  local names want
  names=$(imports "$UNZIPPED/glitzfall.exe") || return 1
  for want in '^SDL\.dll$' '^libxmp.*\.dll$' '^libsndfile.*\.dll$'; do
    grep -Eq "$want" <<<"$names" || { echo "glitzfall.exe imports no DLL matching $want:"; echo "$names"; return 1; }
  done
  # Every import, the DLLs' own too, is a system DLL or a file beside the program.
  local todo=(glitzfall.exe) seen=" " file dll
  while ((${#todo[@]})); do
    file=${todo[0]}; todo=("${todo[@]:1}")
    for dll in $(imports "$UNZIPPED/$file"); do
      [[ $SYSTEM_DLLS != *" $dll "* ]] || continue
      [[ -f $UNZIPPED/$dll ]] || { echo "$file imports $dll, which is not in the zip"; return 1; }
      [[ $seen == *" $dll "* ]] || { seen+="$dll "; todo+=("$dll"); }
    done
  done
  # And the zip holds no DLL that nothing loads.
  for dll in "$UNZIPPED"/*.dll; do
    [[ $seen == *" ${dll##*/} "* ]] || { echo "${dll##*/} is in the zip, but nothing imports it"; return 1; }
  done
}
check "the zip's glitzfall.exe imports SDL, libxmp and libsndfile DLLs; the zip holds all it needs beyond Windows' own" zip_dlls

# A player's own build of a library in place of the shipped DLL: libxmp's (the quickest to build)
# from the kept Debian source package, the same recipe at -O1, stripped as the package's are.
swapped_dll() {
  local prefix rebuilt swapped=$WORK/swapped
  prefix=$(CFLAGS=-O1 JOBS=${JOBS:-$(nproc)} bash tools/cross/deps.sh windows --rebuild libxmp "$WORK/rebuild" \
    2>"$WORK/rebuild.log" | tail -1) || { tail -20 "$WORK/rebuild.log"; return 1; }
  rebuilt=$(ls "$prefix"/bin/*.dll) || return 1
  [[ -f $UNZIPPED/${rebuilt##*/} ]] || { echo "the zip has no ${rebuilt##*/}"; return 1; }
  rm -rf "$swapped" && cp -r "$UNZIPPED" "$swapped"
  x86_64-w64-mingw32-strip -o "$swapped/${rebuilt##*/}" "$rebuilt" || return 1
  if cmp -s "$UNZIPPED/${rebuilt##*/}" "$swapped/${rebuilt##*/}"; then
    echo "the rebuilt ${rebuilt##*/} is the shipped one, byte for byte"; return 1
  fi
  rm -rf "$USERDIR" && mkdir -p "$USERDIR"   # no settings left by the checks above
  play_through "$swapped" || return 1
  # The music (an XM module, through libxmp) loaded, and nothing failed.
  grep -qx "doing load stream music" <(text "$swapped/stderr.txt") || { cat "$swapped/stderr.txt"; return 1; }
  if grep -E "error|failed|unable to find" "$swapped/stderr.txt"; then return 1; fi
}
check "the game from the zip, libxmp's DLL swapped for a build of our own: title, a run, Ctrl+Q with status 0" swapped_dll

# --- diagnostics where the program's folder cannot be written ------------------------------------------
# SDL's entry cannot make stdout.txt and stderr.txt beside the program: the streams go to
# %APPDATA%\GameName instead, with the usual lines. The checks run as root, whom Unix permissions do
# not stop: folders named stdout.txt and stderr.txt stand in the files' places there.
readonly_folder() {
  local dir=$WORK/readonly
  rm -rf "$dir" && cp -r "$UNZIPPED" "$dir" && mkdir "$dir/stdout.txt" "$dir/stderr.txt" || return 1
  chmod a-w "$dir"
  rm -rf "$USERDIR"
  start_game "$dir" "$dir/glitzfall.exe"
  wait_line "$USERDIR/stderr.txt" "first frame at" 90 ||
    { echo "no first frame in $USERDIR/stderr.txt"; ls -la "$USERDIR"; stop_game; chmod u+w "$dir"; return 1; }
  stop_game || { echo "exit status $?"; chmod u+w "$dir"; return 1; }
  chmod u+w "$dir"
  text "$USERDIR/stdout.txt" >"$WORK/ro-stdout.txt"; text "$USERDIR/stderr.txt" >"$WORK/ro-stderr.txt"
  grep -qx "SDL Runtime Version: 1.2.15" "$WORK/ro-stdout.txt" && grep -qx "data folder: ./data" "$WORK/ro-stdout.txt" ||
    { echo "stdout.txt:"; cat "$WORK/ro-stdout.txt"; return 1; }
  grep -qx "_try_init_video(1024,768,0)" "$WORK/ro-stderr.txt" && grep -qx "res: 1024 x 768" "$WORK/ro-stderr.txt" ||
    { echo "stderr.txt:"; cat "$WORK/ro-stderr.txt"; return 1; }
}
check "program folder not writable: stdout.txt and stderr.txt in %APPDATA%\\GameName, with the usual lines" readonly_folder

# --- the installer ----------------------------------------------------------------------------------
# Per user (the default, no administrator): %LOCALAPPDATA%\Programs\Glitz Fall, the user's Start
# menu and desktop, HKCU. wine runs every program as an administrator, so what is checked is that
# the per-user mode writes HKCU and never HKLM, and that the installer's manifest asks for no more
# than "highest" (an administrator is asked, anyone else runs it as themselves).
winvar() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }
LOCALAPPDATA_WIN=$(winvar LOCALAPPDATA)
PF_WIN="$LOCALAPPDATA_WIN\\Programs\\Glitz Fall"
PF=$(winepath -u "$PF_WIN" 2>/dev/null)
MENU=$(winepath -u "$APPDATA_WIN" 2>/dev/null)/Microsoft/Windows/Start\ Menu/Programs/Glitz\ Fall
DESKTOP_LNK=$(winepath -u "$(winvar USERPROFILE)\\Desktop" 2>/dev/null)/Glitz\ Fall.lnk
CUSTOM_WIN='C:\Games\GlitzFall'   # no space: /D= is taken unquoted, and wine would quote it
CUSTOM=$(winepath -u "$CUSTOM_WIN" 2>/dev/null)
KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\GlitzFall'
reg_value() { # HIVE NAME: the value's data, or nothing
  wine reg query "$1\\$KEY" /v "$2" /reg:64 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
no_install() { # what an earlier, failed check may have left in the prefix
  rm -rf "$PF" "$CUSTOM" "$MENU" "$DESKTOP_LNK"
  wine reg delete "HKCU\\$KEY" /f /reg:64 >/dev/null 2>&1
  wine reg delete "HKLM\\$KEY" /f /reg:64 >/dev/null 2>&1
}
# installed DIR [VERSION]: the files, shortcuts and one full Add/Remove Programs entry, in HKCU.
installed() {
  local dir=$1 version=${2:-$VERSION} f name
  for f in glitzfall.exe uninstall.exe README.txt data/data.json data/font0.png licences/glitzfall.txt \
      licences/libsdl1.2.txt licences/libogg.txt licences/libvorbis.txt licences/libxmp.txt licences/libsndfile.txt \
      $(cd "$BUILD" && ls *.dll); do
    [[ -s $dir/$f ]] || { echo "missing $dir/$f"; return 1; }
  done
  [[ -s "$MENU/Glitz Fall.lnk" ]] || { echo "no Start-menu shortcut in $MENU"; return 1; }
  [[ -s $DESKTOP_LNK ]] || { echo "no desktop shortcut $DESKTOP_LNK"; return 1; }
  local dir_win; dir_win=$(winepath -w "$dir" 2>/dev/null)
  [[ $(reg_value HKCU DisplayName) == "Glitz Fall" && $(reg_value HKCU DisplayVersion) == "$version" &&
     $(reg_value HKCU Publisher) == "The Glitz Fall developers" && $(reg_value HKCU URLInfoAbout) == http* &&
     $(reg_value HKCU InstallLocation) == "$dir_win" && $(reg_value HKCU DisplayIcon) == "$dir_win\\glitzfall.exe,0" &&
     $(reg_value HKCU UninstallString) == "\"$dir_win\\uninstall.exe\" /CurrentUser" &&
     $(reg_value HKCU QuietUninstallString) == "\"$dir_win\\uninstall.exe\" /CurrentUser /S" &&
     $(reg_value HKCU NoModify) == 0x1 && $(reg_value HKCU NoRepair) == 0x1 ]] ||
    { echo "Add/Remove Programs entry:"; wine reg query "HKCU\\$KEY" /reg:64; return 1; }
  # EstimatedSize in KiB: the folder's size, within a tenth.
  local kib; kib=$(($(reg_value HKCU EstimatedSize)))
  local du; du=$(du -sk --apparent-size "$dir" | cut -f1)
  ((kib > du * 9 / 10 && kib < du * 11 / 10)) || { echo "EstimatedSize $kib KiB, the folder has $du"; return 1; }
  if wine reg query "HKLM\\$KEY" /reg:64 >/dev/null 2>&1; then echo "an HKLM entry too"; return 1; fi
}
install_silently() {
  [[ -n $SETUP ]] || { echo "no installer in $BUILD/dist"; return 1; }
  no_install
  wrestool -x --raw --type=24 "$SETUP" >"$WORK/setup-manifest.xml" || return 1
  grep -q 'level="highestAvailable"' "$WORK/setup-manifest.xml" && ! grep -q requireAdministrator "$WORK/setup-manifest.xml" ||
    { echo "setup.exe's manifest:"; cat "$WORK/setup-manifest.xml"; return 1; }
  wine "$SETUP" /S || { echo "setup.exe /S: status $?"; return 1; }
  installed "$PF"
}
check "installer (/S, no administrator needed): per-user folder, shortcuts, the full HKCU entry and no HKLM one" install_silently

shortcut_start() {
  rm -f "$PF/stderr.txt" "$PF/stdout.txt"
  # wine's start opens the shortcut as Explorer would: its target in its working folder. It does
  # not wait for the game, so the game's window tells when it has ended.
  (cd "$WORK" && GLITZ_TICK_REPORT=1 wine start /unix "$MENU/Glitz Fall.lnk" >/dev/null 2>&1)
  PID=""
  wait_line "$PF/stderr.txt" "first frame at" 90 || { echo "no first frame"; cat "$PF/stderr.txt"; return 1; }
  key ctrl+q
  local i
  for i in $(seq 200); do [[ -n $(game_window) ]] || break; sleep 0.1; done
  [[ -z $(game_window) ]] || { echo "Ctrl+Q did not end it"; return 1; }
  text "$PF/stdout.txt" | grep -qx "data folder: ./data" || { cat "$PF/stdout.txt"; return 1; }
  if grep -E "unable to find" "$PF/stderr.txt"; then return 1; fi
}
check "installed game started from its shortcut reaches its first frame with its data" shortcut_start

# While the game runs from the folder, a silent install and a silent uninstall (run in place, _?=,
# so that its status is its own) refuse with status 2 and leave the install working; once the game
# has ended the uninstall goes through. NSIS reads _?= only unquoted, and wine quotes an argument
# with a space: the folder goes by its short name.
refused_while_running() {
  rm -f "$PF/stdout.txt" "$PF/stderr.txt"
  start_game "$PF" "$PF/glitzfall.exe"
  wait_line "$PF/stderr.txt" "first frame at" 90 || { echo "no first frame"; stop_game; return 1; }
  local rc_setup=0 rc_un=0 short
  short=$(winepath -s "$PF_WIN" 2>/dev/null)
  wine "$SETUP" /S || rc_setup=$?
  wine "$PF/uninstall.exe" /S "_?=$short" || rc_un=$?
  stop_game || { echo "the game: exit status $?"; return 1; }
  ((rc_setup == 2 && rc_un == 2)) || { echo "status of setup.exe $rc_setup, of uninstall.exe $rc_un"; return 1; }
  installed "$PF" || return 1
  wine "$PF/uninstall.exe" /S "_?=$short" || { echo "uninstall.exe after the game ended: status $?"; return 1; }
  [[ ! -e $PF/glitzfall.exe && ! -e $PF/data ]] || { echo "left behind:"; find "$PF"; return 1; }
  if wine reg query "HKCU\\$KEY" /reg:64 >/dev/null 2>&1; then echo "Add/Remove Programs entry left"; return 1; fi
  rm -rf "$PF"   # the uninstaller run in place cannot delete itself
}
check "install and uninstall refuse (status 2) while the game runs, and leave it working" refused_while_running

# Installed into a folder of the player's choice (/D), a second install without /D finds it again.
remembered_folder() {
  no_install
  wine "$SETUP" /S "/D=$CUSTOM_WIN" || { echo "setup.exe /D: status $?"; return 1; }
  wine "$SETUP" /S || { echo "setup.exe again: status $?"; return 1; }
  [[ ! -e $PF ]] || { echo "a second copy in $PF"; return 1; }
  installed "$CUSTOM"
}
check "a reinstall without /D uses the remembered folder: one copy, one entry" remembered_folder

# An older version (the same files under 1.0.0, and one file this version no longer has) replaced
# by this one: the same folder, one entry with the new version, the old file gone.
upgrade() {
  no_install
  local old=$WORK/old-dist
  rm -rf "$old" && mkdir -p "$old" || return 1
  echo "from 1.0.0" >"$old/stale.txt"
  { cat "$BUILD/dist/files_install.nsh"; printf 'SetOutPath "$INSTDIR"\nFile "%s"\n' "$old/stale.txt"; } >"$old/files_install.nsh"
  { printf 'Delete "$INSTDIR\\stale.txt"\n'; cat "$BUILD/dist/files_uninstall.nsh"; } >"$old/files_uninstall.nsh"
  makensis -V2 -NOCD -DVERSION=1.0.0 "-DDIST=$old" "-DOUTFILE=$old/setup-1.0.0.exe" "$BUILD/packaging/glitzfall.nsi" || return 1
  wine "$old/setup-1.0.0.exe" /S || { echo "the older setup: status $?"; return 1; }
  [[ -s $PF/stale.txt && $(reg_value HKCU DisplayVersion) == 1.0.0 ]] || { echo "the older version is not installed"; return 1; }
  wine "$SETUP" /S || { echo "setup.exe over it: status $?"; return 1; }
  [[ ! -e $PF/stale.txt ]] || { echo "the older version's stale.txt is left"; return 1; }
  installed "$PF"
}
check "upgrade from an older version: same folder, one entry of the new version, its old files gone" upgrade

# The uninstaller runs on from a copy of itself in the temporary folder; it removes the program
# folder, then the shortcuts, then the Add/Remove Programs entry. Poll (up to 20 s) for its end.
wait_until() { local i; for i in $(seq 100); do "$@" && return 0; sleep 0.2; done; return 1; }
gone() { local p; for p in "$@"; do [[ ! -e $p ]] || return 1; done; }
no_entry() { ! wine reg query "$1\\$KEY" /reg:64 >/dev/null 2>&1; }   # HKCU or HKLM

uninstall_silently() {
  wine "$PF/uninstall.exe" /S || return 1
  wait_until gone "$PF" "$MENU" "$DESKTOP_LNK"
  wait_until no_entry HKCU
  [[ ! -e $PF ]] || { echo "left behind:"; find "$PF"; return 1; }
  [[ ! -e $MENU ]] || { echo "left behind:"; find "$MENU"; return 1; }
  [[ ! -e $DESKTOP_LNK ]] || { echo "left behind: $DESKTOP_LNK"; return 1; }
  if wine reg query "HKCU\\$KEY" /reg:64 >/dev/null 2>&1; then echo "Add/Remove Programs entry left"; return 1; fi
}
check "uninstaller (/S) leaves nothing behind" uninstall_silently

# For all users (/AllUsers; wine's user is an administrator): Program Files, the common Start menu,
# HKLM and no HKCU entry; its quiet uninstall string removes it again.
all_users() {
  no_install
  local pf_all all_menu quiet
  pf_all=$(winepath -u "$(winvar ProgramW6432)\\Glitz Fall" 2>/dev/null)
  all_menu=$(winepath -u "$(winvar ProgramData)" 2>/dev/null)/Microsoft/Windows/Start\ Menu/Programs/Glitz\ Fall
  rm -rf "$pf_all" "$all_menu"
  wine "$SETUP" /S /AllUsers || { echo "setup.exe /AllUsers: status $?"; return 1; }
  [[ -s $pf_all/glitzfall.exe && -s $pf_all/data/data.json && -s "$all_menu/Glitz Fall.lnk" ]] ||
    { echo "not in $pf_all with a shortcut in $all_menu"; return 1; }
  [[ $(reg_value HKLM DisplayVersion) == "$VERSION" && $(reg_value HKLM UninstallString) == *'uninstall.exe" /AllUsers' ]] ||
    { echo "HKLM entry:"; wine reg query "HKLM\\$KEY" /reg:64; return 1; }
  if wine reg query "HKCU\\$KEY" /reg:64 >/dev/null 2>&1; then echo "an HKCU entry too"; return 1; fi
  [[ ! -e $PF ]] || { echo "a per-user copy too"; return 1; }
  quiet=$(reg_value HKLM QuietUninstallString)   # "<folder>\uninstall.exe" /AllUsers /S
  local exe=${quiet#\"}; exe=${exe%%\"*}
  # shellcheck disable=SC2086
  wine "$(winepath -u "$exe")" ${quiet##*\"} || { echo "$quiet: status $?"; return 1; }
  wait_until gone "$pf_all" "$all_menu"
  wait_until no_entry HKLM
  [[ ! -e $pf_all && ! -e $all_menu ]] || { echo "left behind:"; find "$pf_all" "$all_menu" 2>/dev/null; return 1; }
  if wine reg query "HKLM\\$KEY" /reg:64 >/dev/null 2>&1; then echo "the HKLM entry is left"; return 1; fi
}
check "installer for all users (/AllUsers): Program Files, HKLM only; its quiet uninstall string removes it" all_users

exit $failures
