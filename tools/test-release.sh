#!/usr/bin/env bash
# A release end to end under Wine, as a new user meets it: the installer of the default version
# installs silently; a local server offers the next version, built here; the console check sees it;
# a wrong digest and a cut-short download change nothing; the silent tray program updates itself and
# comes back; the uninstaller removes what it put there; HTTPS against a self-signed certificate
# fails on the certificate. Before that, the manifest tool's refusals. The .deb is left to
# tools/release.sh. The last line counts the checks: "N passed, N failed".
set -u
source "$(dirname "$0")/wine-lib.sh"
work=$build/release
www=$work/www
passed=0
failed=0

abort() {
    echo "test-release: $1"
    echo "$passed passed, $((failed + 1)) failed"
    exit 1
}
check() { # what, command...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "PASS  $what"
    else
        failed=$((failed + 1))
        echo "FAIL  $what"
    fi
}
wait_for() { # seconds, command...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.5
    done
}

wine_toolchain "${wine_run_tools[@]}" makensis openssl python3 xdotool
rm -rf "$work"
mkdir -p "$www"
phase() { echo "== ($SECONDS s) $1"; }
# A new Wine user, booted while the rest is built.
wine_start "$work/wineprefix"

phase "cross-building Podivex at the next version, then at the default one"
wine_cross_build default Podivex
old=$("$root/tools/make-manifest" "$build/build/Podivex.exe" --read-version)
new=${old%.*}.$((${old##*.} + 1))
wine_cross_build "$new" Podivex
mkdir -p "$work/next"
cp "$build/build/Podivex.exe" "$work/next/"
wine_cross_build default Podivex
packing=()
for version in "$old" "$new"; do
    exe=$build/build/Podivex.exe
    [ "$version" = "$new" ] && exe=$work/next/Podivex.exe
    { "$root/tools/deploy-win.sh" "$exe" "$qt" "$work/deploy-$version" &&
        NSIS_COMPRESSOR=zlib "$root/tools/make-installer.sh" "$work/deploy-$version" "$version" "$www"; } &
    packing+=($!)
done
for job in "${packing[@]}"; do wait "$job" || abort "building an installer failed"; done
setup=$www/Podivex-$new-Setup.exe

phase "the manifest tool"
manifest_rows=( # exit code | version | url | more arguments
    "0|$new|http://127.0.0.1:1/setup.exe|--min $new"
    "1|$new|http://example.com/setup.exe|"
    "1|$new|ftp://example.com/setup.exe|"
    "1|$new|/downloads/setup.exe|"
    "1|$new|https://example.com/a b.exe|"
    "1|$new-beta|https://example.com/setup.exe|"
    "1|1.2147483648|https://example.com/setup.exe|"
    "1|$new|https://example.com/setup.exe|--min $new.1"
    "1|$old|https://example.com/setup.exe|"
)
for row in "${manifest_rows[@]}"; do
    IFS='|' read -r code version url more <<<"$row"
    # shellcheck disable=SC2086
    "$root/tools/make-manifest" "$setup" --version "$version" --url "$url" $more -o - >/dev/null 2>&1
    check "make-manifest $version $url $more: exit $code" [ $? -eq "$code" ]
done

phase "a local server: HTTP, and HTTPS with a self-signed certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null ||
    abort "openssl failed"
python3 - "$www" "$work" >/dev/null 2>&1 <<'EOF' &
# Serves the folder; /short/<file> declares the whole file and sends half. Logs each answer sent.
import http.server, os, ssl, sys, threading
www, work = sys.argv[1:3]
log = open(os.path.join(work, "server.log"), "a", buffering=1)
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?")[0]
        try:
            data = open(os.path.join(www, os.path.basename(path)), "rb").read()
        except OSError:
            return self.send_error(404)
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[: len(data) // 2] if path.startswith("/short/") else data)
        self.wfile.flush()
        log.write(f"sent {path}\n")
    def log_message(self, *args):
        pass
plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
tls = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(os.path.join(work, "cert.pem"), os.path.join(work, "key.pem"))
tls.socket = context.wrap_socket(tls.socket, server_side=True)
threading.Thread(target=tls.serve_forever, daemon=True).start()
open(os.path.join(work, "ports"), "w").write(f"{plain.server_port} {tls.server_port}\n")
plain.serve_forever()
EOF
server=$!
trap 'kill $server 2>/dev/null; wine_stop' EXIT
wait_for 10 test -s "$work/ports" || abort "the local server did not start"
read -r port tls_port <"$work/ports"
url=http://127.0.0.1:$port
"$root/tools/make-manifest" "$setup" --version "$new" --url "$url/$(basename "$setup")" \
    --notes "local test" -o "$www/good.json" || abort "make-manifest failed"
check "the manifest names the installer's digest and size" python3 -c '
import hashlib, json, os, sys
m = json.load(open(sys.argv[1])); data = open(sys.argv[2], "rb").read()
sys.exit(m["sha256"] != hashlib.sha256(data).hexdigest() or m["size"] != len(data))' \
    "$www/good.json" "$setup"
python3 - "$www" "$url/short/$(basename "$setup")" <<'EOF'
import json, os, sys
good = json.load(open(os.path.join(sys.argv[1], "good.json")))
json.dump(dict(good, sha256="0" * 64), open(os.path.join(sys.argv[1], "baddigest.json"), "w"))
json.dump(dict(good, url=sys.argv[2]), open(os.path.join(sys.argv[1], "short.json"), "w"))
EOF

wine_ready
unset WINEPATH QT_PLUGIN_PATH # only the installed folder, no toolchain on the path
user=$(id -un) # Wine names the Windows user after the Unix one
home=$WINEPREFIX/drive_c/users/$user
inst=$home/AppData/Local/Programs/Podivex
# The installed copy by its Windows path, as the Start menu and the installed-programs entry name it.
cinst="C:\\users\\$user\\AppData\\Local\\Programs\\Podivex"
exe=$cinst\\Podivex.exe
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Podivex'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
reg_has() { # key, value name, [text the value holds]
    local out
    out=$(wine reg query "$1" /v "$2" 2>/dev/null) && grep -q "${3:-}" <<<"$out"
}
podivex() { # one-shot command of the installed copy: its output without CRs, and its exit code
    (cd "$work" && timeout 60 wine "$exe" "$@" >"$work/out" 2>/dev/null)
    local rc=$?
    tr -d '\r' <"$work/out"
    return $rc
}
tray() { (cd "$work" && exec wine "$exe" "$@" >/dev/null 2>&1) & }
installed_pids() { pgrep -f "users.$user.AppData.Local.Programs.Podivex.Podivex\\.exe"; } # not zombies
runs() { installed_pids | grep -qx "$1"; }
tree() { (cd "$inst" && find . -type f -exec sha256sum {} + | sort); }

phase "1. install $old with /S"
before=$(xdotool search --onlyvisible --name . 2>/dev/null | sort)
(while :; do xdotool search --onlyvisible --name . 2>/dev/null; sleep 0.1; done) >"$work/windows" &
sampler=$!
timeout 120 wine "$(winpath "$www/Podivex-$old-Setup.exe")" /S >/dev/null 2>&1
rc=$?
kill $sampler
check "the silent install ends with exit 0" [ $rc -eq 0 ]
check "no window was shown" [ -z "$(sort -u "$work/windows" | comm -13 <(echo "$before") -)" ]
check "the folder holds the deployed files" diff -rq -x uninstall.exe "$work/deploy-$old" "$inst"
check "the uninstaller is in place" test -f "$inst/uninstall.exe"
check "installed programs list $old" reg_has "$uninstall_key" DisplayVersion "$old"
check "the Start menu has an entry" \
    test -f "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Podivex.lnk"

phase "2. the console check against the local server"
out=$(podivex --check-update --update-url "$url/good.json")
rc=$?
echo "$out"
check "it prints the update line" grep -q "^update=available version=$new url=$url/" <<<"$out"
check "it exits 3" [ $rc -eq 3 ]

phase "6. HTTPS against a self-signed certificate"
out=$(podivex --check-update --update-url "https://127.0.0.1:$tls_port/good.json")
rc=$?
echo "$out"
check "it fails with exit 1" [ $rc -eq 1 ]
check "on the certificate" grep -qi "certificat" <<<"$out"
check "not for want of TLS" eval '! grep -qiE "TLS (initialization failed|not available)|SSL is not supported" <<<"$out"'

phase "4. a wrong digest and a cut-short download, tray program in silent mode"
check "silent mode is set" grep -qx "update-mode=silent" <<<"$(podivex --update-mode silent)"
settings=$(ls "$home"/AppData/Roaming/Quillmere/Podivex.ini 2>/dev/null)
cp "$settings" "$work/settings.ini" 2>/dev/null
snapshot=$(tree)
# The first automatic check comes a minute after start; the two tries are staggered so that their
# downloads do not overlap.
tries=()
for bad in baddigest short; do
    tray --update-url "$url/$bad.json"
    tries+=($!)
    [ $bad = baddigest ] && sleep 15
done
wait_for 150 grep -q "^sent /short/" "$work/server.log"
sleep 3
check "both downloads were tried" [ "$(grep -c "^sent /.*Setup.exe" "$work/server.log")" -eq 2 ]
check "both tray programs still run" eval 'runs ${tries[0]} && runs ${tries[1]}'
check "no installer was started" eval '! pgrep -f "C:.users.$user.*Setup\.exe" >/dev/null'
check "the installed files are untouched" [ "$(tree)" = "$snapshot" ]
kill "${tries[@]}"
wait "${tries[@]}" 2>/dev/null

phase "3. the silent tray program updates itself"
tray --update-url "$url/good.json"
updater=$!
updated() { [ "$("$root/tools/make-manifest" "$inst/Podivex.exe" --read-version 2>/dev/null)" = "$new" ]; }
wait_for 180 eval 'updated && installed_pids >/dev/null'
check "the installed program is $new" updated
check "the tray program that updated itself quit" eval '! runs $updater'
check "it runs again" eval 'installed_pids >/dev/null'
check "installed programs list $new" reg_has "$uninstall_key" DisplayVersion "$new"
check "the settings are unchanged" cmp -s "$settings" "$work/settings.ini"

phase "5. uninstall with /S"
kill $(installed_pids) 2>/dev/null
wait_for 20 eval '! installed_pids >/dev/null'
podivex --autostart on
check "start at log-on is on" reg_has "$run_key" Podivex
timeout 60 wine "$cinst\\uninstall.exe" /S >/dev/null 2>&1
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_for 60 eval '[ ! -e "$inst" ] && ! reg_has "$uninstall_key" DisplayName'
check "the folder is gone" [ ! -e "$inst" ]
check "the Run value is gone" eval '! reg_has "$run_key" Podivex'
check "the installed-programs entry is gone" eval '! reg_has "$uninstall_key" DisplayVersion'
check "the Start menu entry is gone" \
    test ! -e "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Podivex.lnk"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
