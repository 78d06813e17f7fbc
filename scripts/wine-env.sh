# Sourced with VX_BUILD_DIR set: exports the Wine environment of that build folder and makes sure
# its display, locale, prefix and wineserver are up. Each build folder has its own prefix, because
# pipe, mutex and service names are fixed and two builds must not meet. VX_WINEPREFIX names
# another prefix (made on first use), for a test that needs a machine of its own.
: "${VX_BUILD_DIR:?VX_BUILD_DIR must name the build folder}"
export WINEPREFIX="${VX_WINEPREFIX:-$VX_BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;winemenubuilder.exe=d"
export LOCPATH="$VX_BUILD_DIR/locale"
# Wine needs the compiled zh_CN locale, which lives under LOCPATH; this shell was started without
# LOCPATH and cannot load it itself, so its own complaint is silenced (the children find it).
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null
if [ -z "${VX_KEEP_DISPLAY:-}" ]; then
  export DISPLAY=":$(( 100 + $(printf '%s' "$VX_BUILD_DIR" | cksum | cut -d' ' -f1) % 400 ))"
fi

vx_wine_up() {
  if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || true
  fi
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/.vx-ready" ]; then
    rm -rf "$WINEPREFIX"
    wine cmd /c exit >/dev/null 2>&1 9>&- </dev/null
    local reg; reg=$(mktemp --suffix=.reg)
    # Without a window manager every top-level DestroyWindow waits otherwise; a crash must not
    # open a dialog that hangs a test.
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' >"$reg"
    wine regedit "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 9>&- </dev/null
    rm -f "$reg"
    touch "$WINEPREFIX/.vx-ready"
  fi
  setsid wineserver -p120 >/dev/null 2>&1 9>&- </dev/null || true
}

mkdir -p "$VX_BUILD_DIR"
{
  flock 9
  vx_wine_up
} 9>"$VX_BUILD_DIR/.wine-env.lock"
