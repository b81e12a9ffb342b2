#!/usr/bin/env bash
# The Debian package as a user and a distribution meet it: lintian, then installed with apt on
# this machine (run as root), the installed programs used from /usr/bin, the desktop files
# validated and the session type recognised, then removed with nothing of it left under /usr.
# Needs the package of ./vexlo.sh package.
set -euo pipefail
cd "$(dirname "$0")/.."

TOOLS=(lintian desktop-file-utils appstream xdg-utils libfile-mimeinfo-perl man-db
       shared-mime-info libglib2.0-bin xvfb xauth)
missing=()
for p in "${TOOLS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" ||
        { apt-get update -q &&
          DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; }
fi

debs=(build-package/vexlo_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "pas de paquet : lancez ./vexlo.sh package" >&2; exit 1; }
APP_ID=example.vexlo.Vexlo
MIME=application/x-vexlo-session

step() { printf '== %s\n' "$*"; }
fail() { printf 'ÉCHEC : %s\n' "$*" >&2; exit 1; }

step "lintian $deb"
lintian --fail-on error --info "$deb"

step "installation"
dpkg -I "$deb"
dpkg-query -W vexlo >/dev/null 2>&1 && apt-get purge -y -q vexlo >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"

step "the installed programs"
[ "$(command -v vexlo)" = /usr/bin/vexlo ] || fail "vexlo n'est pas dans /usr/bin"
/usr/bin/vexlo --help | grep -q '^usage : vexlo' || fail "vexlo --help"
[ "$(/usr/bin/vexlo-cli --version)" = "vexlo-cli 1.1.0000" ] || fail "vexlo-cli --version"
/usr/bin/vexlo-sim --version >/dev/null
session=$(/usr/bin/vexlo-cli download --simulate 8 --out-dir "$work/sessions" \
          --session-name essai)
[ -f "$session" ] || fail "pas de session téléchargée"
/usr/bin/vexlo-cli export "$session" "$work/essai.xlsx"
python3 - "$work/essai.xlsx" <<'PY' || fail "classeur illisible"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as book:
    assert book.testzip() is None and "xl/workbook.xml" in book.namelist()
PY
man -w vexlo-cli
man -w vexlo
man -w vexlo-sim
[ -f /usr/share/bash-completion/completions/vexlo-cli ] || fail "pas de complétion"
[ -f /usr/share/vexlo/help/vexlo.html ] || fail "pas de page d'aide"
[ -f /usr/share/vexlo/help/vexlo-en.html ] || fail "pas de page d'aide en anglais"

step "the desktop files"
desktop-file-validate "/usr/share/applications/$APP_ID.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$APP_ID.metainfo.xml"
for icon in scalable/apps/$APP_ID.svg 48x48/apps/$APP_ID.png 256x256/apps/$APP_ID.png; do
    [ -f "/usr/share/icons/hicolor/$icon" ] || fail "pas d'icône $icon"
done
cp "$session" "$work/sans-extension"
for file in "$session" "$work/sans-extension"; do
    type=$(xdg-mime query filetype "$file")
    [ "$type" = "$MIME" ] || fail "xdg-mime dit $type pour $file"
done
gio mime "$MIME" | tee "$work/gio.txt"
grep -q "$APP_ID.desktop" "$work/gio.txt" || fail "gio ne nomme pas $APP_ID.desktop"

step "the desktop program starts"
mkdir -p "$XDG_CONFIG_HOME/Marvane"
printf '[Settings]\nCheckSoftware=0\n' > "$XDG_CONFIG_HOME/Marvane/Vexlo.conf"
status=0
XDG_DATA_HOME=$work/data xvfb-run -a timeout 8 /usr/bin/vexlo --simulate || status=$?
[ "$status" -eq 124 ] || fail "vexlo --simulate s'est arrêté ($status) avant d'être arrêté"
grep -q MenuResetVersion "$XDG_CONFIG_HOME/Marvane/Vexlo.conf" || fail "la fenêtre n'a pas paru"
[ ! -e "$work/data/applications" ] || fail "une entrée de bureau a été écrite pour l'utilisateur"

step "removal"
dpkg -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' > "$work/files"
apt-get purge -y -q vexlo >/dev/null
left=()
while read -r path; do
    [ -e "$path" ] && left+=("$path")
done < "$work/files"
# What the package's triggers made of it (mime database, icon and desktop caches) goes too.
while read -r path; do left+=("$path"); done < <(find /usr \( -name 'vexlo*' -o -name \
    "*$APP_ID*" -o -name '*x-vexlo-session*' \))
[ ${#left[@]} -eq 0 ] || fail "restent après suppression : ${left[*]}"
echo "Paquet vérifié."
