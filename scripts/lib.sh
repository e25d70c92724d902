# Shared set-up for scripts/test and scripts/demo: packages, build, Wine prefix and session,
# registration of every COM component. Source it; it defines functions and sets no traps.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUELLMAR_BUILD:-$ROOT/build}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# What the main job needs; the tests need GoogleTest besides.
PACKAGES="cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 libwine-dev nlohmann-json3-dev"
TEST_PACKAGES="googletest"

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

# install_packages [more packages]
install_packages() {
  local missing=()
  for p in $PACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
  fi
}

# build [target]: everything (the tests included) without a target.
build() {
  log "configure and build ${1:-everything} in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" ${1:+--target "$1"}
}

# Every Wine call of one run must see the same TMPDIR (the server socket lives there).
wine_env() {
  export WINEPREFIX="$BUILD/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=-all,err+module
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export TMPDIR="$BUILD/tmp"
  mkdir -p "$TMPDIR"
  unset DISPLAY
}

make_prefix() {
  [ -f "$WINEPREFIX/.quellmar-ready" ] && return 0
  log "creating Wine prefix (once per build folder)"
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  # A crash must not wait on an invisible dialog.
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.quellmar-ready"
}

start_session() {
  # A server left running on this prefix by an interrupted run is replaced.
  if ! "$WINESERVER" -p 2>/dev/null; then
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    "$WINESERVER" -p
  fi
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  # One long-lived process keeps the desktop alive between test processes.
  "$WINE" cmd /c 'ping -n 100000 127.0.0.1 >nul' </dev/null >/dev/null 2>&1 &
  KEEPER=$!
  trap stop_session EXIT
}

stop_session() {
  [ -n "${KEEPER:-}" ] && kill "$KEEPER" 2>/dev/null
  "$WINESERVER" -k 2>/dev/null || true
}

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | sed 's#/#\\#g')"; }

register_all() {
  local list="$BUILD/register.list" kind path rc
  local tlbreg="$BUILD/counterparts/tlbreg/tlbreg.exe"
  while read -r kind path; do
    [ -z "$kind" ] && continue
    case "$kind" in
      dll) "$WINE" regsvr32 /s "$(winpath "$path")" </dev/null >/dev/null 2>&1; rc=$? ;;
      tlb) "$WINE" "$tlbreg" /r "$(winpath "$path")" </dev/null >/dev/null 2>&1; rc=$? ;;
      *) rc=1 ;;
    esac
    if [ $rc -ne 0 ]; then
      log "registration of $path failed (exit $rc)"
      return 1
    fi
  done <"$list"
  log "registered $(grep -c . "$list") components"
}

# The tests: every package and everything built.
setup_all() {
  install_packages $TEST_PACKAGES
  build
  prepare_wine
}

# The main job: only the components it registers and the programs it runs.
setup_main_job() {
  install_packages
  build mainjob
  prepare_wine
}

prepare_wine() {
  wine_env
  make_prefix
  start_session
  register_all
}
