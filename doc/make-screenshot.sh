#!/usr/bin/env bash
# Makes doc/vexlo-main-window.png, the README's picture of the main window: a session
# downloaded from the emulated thermocouple logger, shown beside that logger's page, on a
# virtual screen. Needs a build (./vexlo.sh build), xvfb-run, xdotool and ImageMagick's import.
#   doc/make-screenshot.sh [PROGRAMS_FOLDER]   (build/bin by default)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/bin}")
out=$PWD/doc/vexlo-main-window.png

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run LC_ALL=fr_FR.UTF-8 TZ=Europe/Paris VEXLO_DRIVES=
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Marvane"
# No question of the update server on the picture.
printf '[Settings]\nCheckSoftware=0\n' > "$XDG_CONFIG_HOME/Marvane/Vexlo.conf"

session=$("$bin/vexlo-cli" download --simulate 8 --out-dir "$work/sessions" \
          --session-name "Four de recuisson" --location "Atelier 2")

cat > "$work/shoot.sh" <<'SHOT'
#!/usr/bin/env bash
set -euo pipefail
"$1/vexlo" --simulate=8 "$2" &
program=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vexlo' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "la fenêtre n'a pas paru" >&2; kill "$program"; exit 1; }
# Let the logger be found and the graph drawn.
sleep 5
import -window "$window" "$3"
kill "$program"
SHOT
xvfb-run -a -s "-screen 0 1300x820x24" bash "$work/shoot.sh" "$bin" "$session" "$out"
echo "$out"
