#!/usr/bin/env bash
# Builds a release of the version CMakeLists.txt names into dist/: the Windows installer (cross-built,
# deployed, packed with NSIS), the Debian package (checked with lintian) and the update manifest
# that points at the installer's place on the download server. Signing and uploading are left to
# the publisher (README, "Making a release").
# Usage: tools/release.sh [--base-url URL] [--min VERSION] [--notes-file FILE] [--sign COMMAND]
# --sign names a command that signs the file it is given; NSIS runs it on the uninstaller and the
# installer while it builds them, before the installer's digest goes into the manifest.
set -eu
source "$(dirname "$0")/wine-lib.sh"
dist=$root/dist
linux=$root/build-release
base_url=https://podivex.quillmere.com/downloads
manifest_args=()
sign=
while [ $# -gt 0 ]; do
    case $1 in
    --base-url) base_url=${2%/} ;;
    --min) manifest_args+=(--min "$2") ;;
    --notes-file) manifest_args+=(--notes-file "$(realpath "$2")") ;;
    --sign) sign=$2 ;;
    *) echo "usage: tools/release.sh [--base-url URL] [--min VERSION] [--notes-file FILE] [--sign COMMAND]" >&2
        exit 2 ;;
    esac
    shift 2
done

abort() {
    echo "release: $1" >&2
    exit 1
}
for tool in makensis cpack dpkg-deb dpkg-shlibdeps lintian python3; do
    command -v $tool >/dev/null || abort "$tool is missing (tools/install-deps.sh --test installs it)"
done
wine_toolchain
rm -rf "$dist"
mkdir -p "$dist"

echo "== Windows: cross-build, deploy, installer"
wine_cross_build default Podivex
version=$("$root/tools/make-manifest" "$build/build/Podivex.exe" --read-version)
"$root/tools/deploy-win.sh" "$build/build/Podivex.exe" "$qt" "$build/release-deploy"
NSIS_SIGN=$sign "$root/tools/make-installer.sh" "$build/release-deploy" "$version" "$dist"
setup=Podivex-$version-Setup.exe

echo "== Linux: build, Debian package, lintian"
# Debian's hardening flags, as a Debian build of the package would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPODIVEX_TESTS=OFF \
    -DPODIVEX_BENCH=OFF -UPODIVEX_VERSION \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$linux" -j2 >/dev/null
(cd "$linux" && cpack -G DEB >/dev/null)
mv "$linux"/podivex_*.deb "$dist/"
deb=$(ls "$dist"/podivex_*.deb)
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\|Recommends\):/  &/p'
lintian --fail-on error "$deb"

echo "== manifest"
"$root/tools/make-manifest" "$dist/$setup" --version "$version" --url "$base_url/$setup" \
    "${manifest_args[@]}" -o "$dist/version.json"
(cd "$dist" && sha256sum -- * >SHA256SUMS)
ls -l "$dist"
