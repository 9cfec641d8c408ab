#!/usr/bin/env bash
# Puts the cross-built Podivex.exe into a folder with everything it loads on Windows, as windeployqt
# would: every DLL it imports, followed through the Qt and MinGW-w64 runtime folders, and the Qt
# plugins it needs with their own imports, stripped of debugging symbols. DLLs found in none of those folders belong to Windows and
# stay out. Usage: deploy-win.sh <Podivex.exe> <unpacked qt-6.4.2-mingw64 folder> <out folder>
set -eu
[ $# -eq 3 ] || { echo "usage: deploy-win.sh <Podivex.exe> <qt folder> <out folder>" >&2; exit 2; }
exe=$1 qt=$2 out=$3
runtime=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix 2>/dev/null | tail -1)
[ -n "$runtime" ] || { echo "deploy-win: the MinGW-w64 posix runtime is missing" >&2; exit 1; }
search=("$qt/bin" "$runtime" /usr/x86_64-w64-mingw32/lib)

# The platform window, the native style, the .ico reader, and TLS for the HTTPS update manifest.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll
    tls/qschannelbackend.dll)

# Import names are case-insensitive on Windows.
find_dll() {
    local dir
    for dir in "${search[@]}"; do
        find "$dir" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null
    done | head -1
}

declare -A seen=()
deploy() { # file, destination folder
    local file=$1 dest=$2 name path
    cp "$file" "$dest/"
    x86_64-w64-mingw32-strip --strip-unneeded "$dest/$(basename "$file")"
    while read -r name; do
        [ -n "${seen[${name,,}]:-}" ] && continue
        seen[${name,,}]=1
        path=$(find_dll "$name")
        if [ -n "$path" ]; then deploy "$path" "$out"; fi
    done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
}

rm -rf "$out"
mkdir -p "$out"
deploy "$exe" "$out"
for plugin in "${plugins[@]}"; do
    mkdir -p "$out/$(dirname "$plugin")"
    deploy "$qt/plugins/$plugin" "$out/$(dirname "$plugin")"
done
