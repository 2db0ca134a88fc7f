# SPDX-License-Identifier: Zlib
# wine_env.sh BUILD_DIR - sourced: sets up wine for running the Windows build of BUILD_DIR.
# A private prefix in BUILD_DIR/wineprefix, made on first use (wine's first boot takes a while;
# later runs reuse it), no Mono or Gecko installers, no debug output, SDL's dummy sound driver
# (wine finds no sound card here), and a wine server kept running until wine_stop.
# Needs DISPLAY (wine draws windows on X even for console programs' message boxes).
wine_env_build=$(cd "${1:?usage: . wine_env.sh BUILD_DIR}" && pwd)
export WINEPREFIX=$wine_env_build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export SDL_AUDIODRIVER=dummy
if [[ ! -e $WINEPREFIX/system.reg ]]; then
  echo "wine: creating the prefix $WINEPREFIX (once)" >&2
  wineboot --init >/dev/null 2>&1
  wineserver -w
fi
wineserver -p 2>/dev/null   # persistent: each program starts without a new server
# wine's own background programs (services, the desktop) start with the first program and stay
# with the server; started here, they do not hold on to a caller's output pipe (CTest's test
# listing would wait for them until its timeout).
wine cmd /c exit </dev/null >/dev/null 2>&1
wine_stop() { wineserver -k 2>/dev/null; }
