#!/usr/bin/env bash
# Packs the Windows build into BUILD/tolvane-windows-x64.zip: the two programs,
# the Qt plugins they load, and exactly the DLLs that these import, found by
# reading their import tables. Unzipped anywhere, the programs run as they are.
# Usage: package.sh BUILD QT_PREFIX DLL_DIR...
set -euo pipefail
build=$1 qt=$2
shift 2
search=("$qt/bin" "$@")

stage="$build/package/tolvane"
rm -rf "$build/package" "$build/tolvane-windows-x64.zip"
mkdir -p "$stage/platforms" "$stage/styles"
cp "$build/tolvane.exe" "$build/tolvane-cli.exe" "$stage/"
# The editor's window, tolvane-cli's screenless drawing, the native look.
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$file"); do
        [ -e "$stage/$dll" ] && continue
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/"
                queue+=("$stage/$dll")
                break
            fi
        done
        # Anything not found here is Windows' own (KERNEL32.dll, USER32.dll, ...).
    done
done
(cd "$build/package" && zip -qr9 "$build/tolvane-windows-x64.zip" tolvane)
echo "$build/tolvane-windows-x64.zip: $(ls "$stage" | wc -l) files at the top, $(du -sh "$build/tolvane-windows-x64.zip" | cut -f1)"
