#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/cross/wine_check.sh BUILD_WIN [BUILD_LINUX] - the Windows build of the game run under wine,
# as a player would: started from a folder with its data, the title screen checked by its pixels,
# a key starts a run, standing still a ball hits and the game-over banner shows, Ctrl+Q ends it
# with status 0; stdout.txt and stderr.txt beside the program hold the start-up lines, and
# settings.dat in %APPDATA%\GameName is read. The whole start-up transcript (good data, no data
# folder, two damaged data.json, a settings.dat that is too long) must be the Linux program's, in
# BUILD_LINUX (default: build/ beside BUILD_WIN), line for line, and the one tests/expected holds.
# The zip: the program imports SDL, libxmp and libsndfile as DLLs, and the zip holds every DLL
# that it and those DLLs import beyond Windows' own; the game runs from the unpacked zip with
# libxmp's DLL swapped for one built again from the same Debian source package
# (tools/cross/deps.sh --rebuild, at another optimisation level, so its code differs). Then the
# installer: a silent install, the game started through its Start-menu shortcut reaching its first
# frame, and a silent uninstall that leaves nothing behind.
# Prints one line per check, "ok: what" or "FAIL: what"; exits with the number of failures.
# Needs DISPLAY (an X server without a window manager, as tools/test.sh starts), xdotool,
# ImageMagick and unzip.
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

# stop_game: Ctrl+Q, then the exit status (124 when it did not end within 20 s).
stop_game() {
  key ctrl+q
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
check "no data folder: the start-up transcript of Linux, no crash" same_start no-data no_data startup_missing.txt
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

# --- the installer ----------------------------------------------------------------------------------
PF=$WINEPREFIX/drive_c/Program\ Files/Glitz\ Fall
MENU=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Glitz\ Fall
KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\GlitzFall'

install_silently() {
  [[ -n $SETUP ]] || { echo "no installer in $BUILD/dist"; return 1; }
  # What an earlier, failed check may have left in the prefix.
  rm -rf "$PF" "$MENU"
  wine reg delete "$KEY" /f /reg:64 >/dev/null 2>&1
  wine "$SETUP" /S || return 1
  local f
  for f in glitzfall.exe uninstall.exe README.txt data/data.json data/font0.png licences/glitzfall.txt \
      licences/libsdl1.2.txt licences/libogg.txt licences/libvorbis.txt licences/libxmp.txt licences/libsndfile.txt \
      $(cd "$BUILD" && ls *.dll); do
    [[ -s $PF/$f ]] || { echo "missing $f"; return 1; }
  done
  [[ -s "$MENU/Glitz Fall.lnk" ]] || { echo "no Start-menu shortcut"; return 1; }
  wine reg query "$KEY" /v UninstallString /reg:64 | grep -q 'uninstall.exe' || { echo "not in Add/Remove Programs"; return 1; }
}
check "installer runs silently (/S): files, Start-menu shortcut, Add/Remove Programs entry" install_silently

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

uninstall_silently() {
  wine "$PF/uninstall.exe" /S || return 1
  # The uninstaller runs on from a copy of itself in the temporary folder: wait for its work.
  local i
  for i in $(seq 100); do [[ -e $PF ]] || break; sleep 0.2; done
  [[ ! -e $PF ]] || { echo "left behind:"; find "$PF"; return 1; }
  [[ ! -e $MENU ]] || { echo "left behind:"; find "$MENU"; return 1; }
  if wine reg query "$KEY" /reg:64 >/dev/null 2>&1; then echo "Add/Remove Programs entry left"; return 1; fi
}
check "uninstaller (/S) leaves nothing behind" uninstall_silently

exit $failures
