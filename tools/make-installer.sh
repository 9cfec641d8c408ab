#!/usr/bin/env bash
# Builds Podivex-<version>-Setup.exe with makensis from a folder made by tools/deploy-win.sh. The
# uninstaller removes exactly the files listed here, so both lists come from the folder itself.
# Usage: make-installer.sh <deployed folder> <version a.b.c.d> <out folder>
# NSIS_COMPRESSOR=zlib packs faster and larger (the suites use it); the default is solid LZMA.
# NSIS_SIGN names a command that signs the file it is given (uninstaller, then installer).
set -eu
[ $# -eq 3 ] || { echo "usage: make-installer.sh <deployed folder> <version> <out folder>" >&2; exit 2; }
src=$(cd "$1" && pwd) version=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
# The version block of an installer holds four numbers.
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "make-installer: version must be four dotted numbers: $version" >&2; exit 2; }
[ -f "$src/Podivex.exe" ] || { echo "make-installer: no Podivex.exe in $src" >&2; exit 1; }
command -v makensis >/dev/null || { echo "make-installer: makensis is missing (apt-get install nsis)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

files=$(mktemp --suffix=.nsh)
trap 'rm -f "$files"' EXIT
instpath() { local p=${1#.}; echo "\$INSTDIR${p//\//\\}"; }
{
    echo '!macro INSTALL_FILES'
    while read -r dir; do
        echo "    SetOutPath \"$(instpath "$dir")\""
        find "$src/$dir" -maxdepth 1 -type f | sort | sed 's/.*/    File "&"/'
    done < <(cd "$src" && find . -type d | sort)
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro UNINSTALL_FILES'
    (cd "$src" && find . -type f | sort) | while read -r file; do echo "    Delete \"$(instpath "$file")\""; done
    (cd "$src" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do echo "    RMDir \"$(instpath "$dir")\""; done
    echo '!macroend'
} >"$files"

options=()
[ -n "${NSIS_COMPRESSOR:-}" ] && options+=(-DCOMPRESSOR="$NSIS_COMPRESSOR")
[ -n "${NSIS_SIGN:-}" ] && options+=(-DSIGN="$NSIS_SIGN")
makensis -V2 -INPUTCHARSET UTF8 "${options[@]}" -DVERSION="$version" -DFILES="$files" \
    -DICON="$root/resources/Podivex.ico" -DOUTFILE="$out/Podivex-$version-Setup.exe" \
    "$root/packaging/windows/Podivex.nsi"
