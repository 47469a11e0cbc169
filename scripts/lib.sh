# Shared by the project's scripts: where things are, which Wine runs the program, the display.
# Source it; it defines variables and functions only.

QUILL_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUILL_BUILD=${QUILL_BUILD_DIR:-$QUILL_TOP/build}

# The product is a 32-bit Windows program. Some Linux kernels are booted without 32-bit
# emulation: no 32-bit code runs there at all, not even inside Wine's WoW64 mode. On such a
# machine the same sources are built for x86_64 and run under 64-bit Wine instead.
quill_can_run_32bit() {
  [ -e /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

quill_wine_arch() {
  if [ -n "${QUILL_WINE_ARCH:-}" ]; then echo "$QUILL_WINE_ARCH"; return; fi
  if quill_can_run_32bit; then echo win32; else echo win64; fi
}

# Which build runs here, its prefix and its Wine. The answer depends on the 32-bit loader, which
# the set-up installs: a script that ran the set-up calls this again afterwards.
quill_select_arch() {
  QUILL_ARCH=$(quill_wine_arch)
  export WINEPREFIX=$QUILL_BUILD/wineprefix-$QUILL_ARCH
  export WINEARCH=$QUILL_ARCH
  if [ "$QUILL_ARCH" = win64 ]; then
    QUILL_WINE=/usr/lib/wine/wine64
  else
    QUILL_WINE=/usr/lib/wine/wine
  fi
  QUILL_WIN_BUILD=$QUILL_BUILD/$QUILL_ARCH       # the build that runs and is tested here
}
quill_select_arch
export WINEDEBUG=${WINEDEBUG:--all}
# Shortcuts that installers make stay inside the prefix: no menu entries on the Linux desktop.
case ";${WINEDLLOVERRIDES:-};" in
  *";winemenubuilder.exe="*) ;;
  *) export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d" ;;
esac
QUILL_NATIVE_BUILD=$QUILL_BUILD/native
QUILL_INSTALL_DIR="Program Files/TVQuill"      # below drive_c

# Starts Xvfb when no display is set; sets DISPLAY and QUILL_XVFB_PID.
quill_ensure_display() {
  QUILL_XVFB_PID=
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  QUILL_XVFB_PID=$!
  local number
  if ! read -r -t 20 number <"$fifo"; then
    rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1
  fi
  rm -f "$fifo"
  export DISPLAY=:$number
}

quill_stop_display() {
  if [ -n "${QUILL_XVFB_PID:-}" ]; then
    kill "$QUILL_XVFB_PID" 2>/dev/null || true
    wait "$QUILL_XVFB_PID" 2>/dev/null || true
    QUILL_XVFB_PID=
  fi
}

# One persistent wineserver for a whole run: warm starts take milliseconds instead of seconds.
quill_start_wineserver() { wineserver -p 2>/dev/null || true; }
quill_stop_wineserver() { wineserver -k 2>/dev/null || true; }
