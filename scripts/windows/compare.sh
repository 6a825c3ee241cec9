#!/usr/bin/env bash
# Unzips the Windows package into an empty folder and runs its tolvane-cli.exe
# under wine through the README's commands on the demo dashboard, and the
# Linux tolvane-cli through the same: every file of the two dashboards and
# every rendered picture must be the same, byte for byte.
# Usage: compare.sh PACKAGE.zip LINUX_TOLVANE_CLI
set -euo pipefail
zip=$1 linux=$2
: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
export WINEPREFIX=$TOLVANE_WINDOWS_CACHE/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot --init >/dev/null 2>&1
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work/unzipped"
windows_cli=$work/unzipped/tolvane/tolvane-cli.exe
# The Windows side runs in a folder whose name has a space and a letter
# outside ASCII, as many users' folders have.
wdir="$work/Windows dash é" ldir="$work/linux"
win() { wine "$windows_cli" "$@"; }
wpath() { winepath -w "$1"; }

failed=0
step() {
    local what=$1
    shift
    if ! "$@" >"$work/out" 2>&1; then
        echo "FAILED: $what"
        cat "$work/out"
        failed=1
    fi
}
step "demo (Windows)" win demo "$(wpath "$wdir")"
step "demo (Linux)" "$linux" demo "$ldir"
for command in "move 2 100 120" "set-dial MphMax=200 DialWidth=3" "extract" "compile"; do
    read -r -a words <<< "$command"
    step "${words[0]} (Windows)" win "${words[0]}" "$(wpath "$wdir")" "${words[@]:1}"
    step "${words[0]} (Linux)" "$linux" "${words[0]}" "$ldir" "${words[@]:1}"
done
step "list (Windows)" bash -c "wine '$windows_cli' list '$(wpath "$wdir")' > '$work/list-windows'"
"$linux" list "$ldir" > "$work/list-linux"
step "render (Windows)" win render "$(wpath "$wdir")" "$(wpath "$work/windows.png")" --all --dials --select 2
step "render (Linux)" "$linux" render "$ldir" "$work/linux.png" --all --dials --select 2

for f in "$ldir"/*; do
    name=$(basename "$f")
    cmp -s "$f" "$wdir/$name" || { echo "DIFFERS: $name"; failed=1; }
done
[ "$(ls -A "$ldir" | wc -l)" = "$(ls -A "$wdir" | wc -l)" ] || { echo "DIFFERS: the files left in the dashboard"; failed=1; }
# Listings differ only in the line ends Windows writes.
tr -d '\r' < "$work/list-windows" | cmp -s - "$work/list-linux" || { echo "DIFFERS: list"; failed=1; }
cmp -s "$work/windows.png" "$work/linux.png" || { echo "DIFFERS: render"; failed=1; }
if [ "$failed" -ne 0 ]; then
    echo "The Windows build differs from the Linux build" >&2
    exit 1
fi
echo "The Windows package under wine: same files, listing and picture as the Linux build"
