#!/usr/bin/env bash
# The installer as an IT department and a user meet it, in a fresh Wine
# prefix of its own (build/wineprefix-installer): silent install, upgrade
# while the service runs (with autostart, and a job printed just before it),
# silent uninstall while it runs. The installer is signed with a throw-away
# certificate made here, and every program it installs must verify. Prints
# the installer's size and the install and uninstall times.
set -euo pipefail
# shellcheck source=../../scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"

fail() { ks_log "FAILED: $*"; exit 1; }
pass() { ks_log "ok: $*"; }

# Polls `command...` every 0.1 s until it succeeds, for at most $1 seconds.
wait_until() {
    local seconds=$1 tries=0
    shift
    until "$@"; do
        tries=$((tries + 1))
        [ $tries -le $((seconds * 10)) ] || return 1
        sleep 0.1
    done
}

millis() { date +%s%3N; }

certificate="$KS_BUILD/installer-test-certificate"
rm -rf "$certificate"
mkdir -p "$certificate"
export KS_SIGN_PASSWORD="throw-away-$RANDOM"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kestrune test signing" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$certificate/key.pem" -out "$certificate/cert.pem" 2>/dev/null ||
    fail "making the test certificate"
openssl pkcs12 -export -inkey "$certificate/key.pem" -in "$certificate/cert.pem" -out "$certificate/test.pfx" \
    -passout env:KS_SIGN_PASSWORD || fail "making the test .pfx"
# Not in build/package: what is signed with a throw-away certificate is not for shipping.
package="$KS_BUILD/installer-test-package"
"$KS_ROOT/scripts/package" --sign "$certificate/test.pfx" --out "$package" >/dev/null || fail "scripts/package --sign"
setup=$(ls "$package"/Kestrune-*-setup.exe)
# Authenticode with SHA-256, by the test certificate.
signed() {
    osslsigncode verify -CAfile "$certificate/cert.pem" -in "$1" 2>/dev/null |
        grep -q '^Message digest algorithm *: SHA256'
}
for program in "$setup" "$package/kestrune-cli.exe"; do signed "$program" || fail "$program is not signed"; done
version=$(basename "$setup" | sed 's/^Kestrune-\(.*\)-setup\.exe$/\1/')
ks_log "installer $(basename "$setup"): $(stat -c %s "$setup") bytes"

export WINEPREFIX="$KS_BUILD/wineprefix-installer"
[ -S "/tmp/.X11-unix/X$KS_DISPLAY_NUMBER" ] && export DISPLAY=":$KS_DISPLAY_NUMBER"
if ks_wineserver_running; then wineserver -k || true; wineserver -w || true; fi
rm -rf "$WINEPREFIX"
ks_prepare_prefix
setsid wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1

user_dir=$(winepath -u "$(wine cmd /c 'echo %USERPROFILE%' 2>/dev/null | tr -d '\r')")
install_dir="$user_dir/AppData/Local/Programs/Kestrune"
install_dir_windows=$(winepath -w "$install_dir" 2>/dev/null)
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/岚舟 Kestrune.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
cli="$install_dir/kestrune-cli.exe"

# The key as UTF-8 text, as `reg export` writes it (UTF-16), or nothing.
registry_key() {
    local file="$KS_BUILD/installer-test-key.reg"
    rm -f "$file"
    wine reg export "$1" "$(winepath -w "$file" 2>/dev/null)" /y >/dev/null 2>&1 || return 0
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r'
}
# The escaped text reg export writes for a string: \ and " doubled up.
reg_string() { printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g'; }

# Linux pids of installed kestrune.exe processes of this prefix.
service_pids() {
    local pid
    for pid in $(pgrep -f 'Programs.Kestrune.kestrune\.exe' || true); do
        process_ended "$pid" && continue
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
    return 0
}
# A zombie counts as ended: its parent may be gone without reaping it.
process_ended() { [ ! -e "/proc/$1" ] || [ "$(sed 's/^.*) \(.\).*/\1/' "/proc/$1/stat" 2>/dev/null)" = Z ]; }
hello() { wine "$cli" hello 2>/dev/null | grep -q "\"serverVersion\":\"$version\""; }
no_service() { [ -z "$(service_pids)" ]; }
installed_files_gone() { [ ! -e "$install_dir" ]; }

# --- silent install --------------------------------------------------------
start=$(millis)
wine "$setup" /S || fail "silent install exited with $?"
ks_log "silent install: $(($(millis) - start)) ms"
for file in kestrune.exe kestrune-cli.exe uninstall.exe readme.txt; do
    [ -f "$install_dir/$file" ] || fail "$file not installed"
done
for file in kestrune.exe kestrune-cli.exe uninstall.exe; do signed "$install_dir/$file" || fail "$file is not signed"; done
[ -f "$shortcut" ] || fail "no Start menu shortcut"
key=$(registry_key "$uninstall_key")
for line in "\"DisplayName\"=\"岚舟 Kestrune\"" "\"DisplayVersion\"=\"$version\"" '"Publisher"="Kestrune"' \
    "\"InstallLocation\"=\"$(reg_string "$install_dir_windows")\"" \
    "\"UninstallString\"=\"$(reg_string "\"$install_dir_windows\\uninstall.exe\"")\"" \
    "\"QuietUninstallString\"=\"$(reg_string "\"$install_dir_windows\\uninstall.exe\" /S")\"" \
    "\"DisplayIcon\"=\"$(reg_string "$install_dir_windows\\kestrune.exe,0")\"" \
    '"NoModify"=dword:00000001' '"NoRepair"=dword:00000001'; do
    grep -qxF "$line" <<<"$key" || fail "Uninstall entry lacks $line"
done
grep -q '^"EstimatedSize"=dword:0000[0-9a-f][1-9a-f]' <<<"$key" || fail "no EstimatedSize"
registry_key "$run_key" | grep -q '^"Kestrune"=' && fail "a Run value after a default install"
wait_until 30 hello || fail "the installed service does not answer hello"
pass "signed silent install: files, shortcut, Uninstall entry, no Run value, hello"

# --- a job printed just before the upgrade --------------------------------
pdf_dir=$(sed -n 's/^Out //p' /etc/cups/cups-pdf.conf)
pdfs_before=$(ls "$pdf_dir" 2>/dev/null | wc -l)
page="$KS_BUILD/installer-test-page.png"
convert -size 1200x1800 xc:white -fill black -draw 'rectangle 100,100 1100,300' "$page"
wine "$cli" print --default --paper 4x6in "$(winepath -w "$page" 2>/dev/null)" >/dev/null 2>&1 ||
    fail "printing before the upgrade"
old_pids=$(service_pids)
[ -n "$old_pids" ] || fail "no service process before the upgrade"

# --- upgrade while running, with autostart ---------------------------------
start=$(millis)
wine "$setup" /S /AUTOSTART=1 || fail "upgrade exited with $?"
ks_log "silent upgrade: $(($(millis) - start)) ms"
for pid in $old_pids; do process_ended "$pid" || fail "the old service ($pid) still runs"; done
wait_until 30 hello || fail "the upgraded service does not answer hello"
new_pids=$(service_pids)
[ -n "$new_pids" ] && [ "$new_pids" != "$old_pids" ] || fail "no new service process"
registry_key "$run_key" | grep -qxF "\"Kestrune\"=\"$(reg_string "\"$install_dir_windows\\kestrune.exe\"")\"" ||
    fail "the Run value does not hold the quoted path"
wait_until 30 test "$(ls "$pdf_dir" | wc -l)" -gt "$pdfs_before" || fail "the job printed before the upgrade has no output"
pass "upgrade: old process ended, new one answers, Run value set, the earlier job printed"

# --- silent uninstall while running -----------------------------------------
start=$(millis)
wine "$install_dir/uninstall.exe" /S || fail "uninstall exited with $?"
# The uninstaller runs from a copy in a temporary folder and returns at once.
wait_until 30 installed_files_gone || fail "installed files left: $(ls "$install_dir")"
ks_log "silent uninstall: $(($(millis) - start)) ms"
wait_until 10 no_service || fail "the service still runs after uninstall"
[ -e "$shortcut" ] && fail "the shortcut is left"
[ -z "$(registry_key "$uninstall_key")" ] || fail "the Uninstall entry is left"
registry_key "$run_key" | grep -q '^"Kestrune"=' && fail "the Run value is left"
pass "uninstall: process ended, files, shortcut, entry and Run value gone"
