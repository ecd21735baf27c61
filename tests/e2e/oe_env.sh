# tests/e2e/oe_env.sh: sourced by the scenarios inside Outlook Express after gateway_env.sh and
# scripts/prefix have set up root, work, port and prefix (the product installed from its package).
# It gives runbay (the installed Runbay.exe), wine and winpath, a display (a private Xvfb when none is
# set: Runbay, the client and the driver share it) and an exit trap that ends Runbay (runbay_pid,
# set by the caller), the prefix's processes and that Xvfb. oe_install_client MSIMN OESEED CHECK_MAIL
# installs the client stand-in 6 with the identity scripts/prefix made, its store in $store and its
# account sending through the local server (msimn_dir: the folder it was installed from).
runbay="$prefix/drive_c/Program Files/Brevolt SMS/Runbay.exe"
[ -f "$runbay" ] || { echo "FAIL: the package installed no Runbay.exe"; exit 1; }
wine() { BREVOLT_WINEPREFIX="$prefix" "$root/cmake/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 141 190); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
  done
fi
runbay_pid=
finish() {
  [ -n "$runbay_pid" ] && kill "$runbay_pid" 2>/dev/null
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  cleanup
}
trap finish EXIT

store=$prefix.oe-store
msimn_dir=
oe_install_client() {
  msimn_dir=$(cd "$(dirname "$1")" && pwd)
  rm -rf "$store"
  mkdir -p "$store"
  wine "$2" install --version 6 --dir "$(winpath "$msimn_dir")"
  wine "$2" identity --version 6 --id "{5E0F2E7A-4B1C-4D2A-9C3B-7A1D2E3F4B5C}" --name "Main Identity" \
    --store-root "$(winpath "$store")" --check-mail "$3" --smtp-server localhost --smtp-port "$port" \
    --email "${BREVOLT_USER_EMAIL:-ann@example.org}" --display-name "${BREVOLT_USER_NAME:-Ann Example}"
}
