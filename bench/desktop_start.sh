#!/usr/bin/env bash
# Time from starting the desktop program, with the emulated logger, to its main window shown
# on a virtual X server: the best of three starts. Needs xvfb-run and xdotool.
#   bench/desktop_start.sh [BUILD_DIR]
set -euo pipefail
bin=$(realpath "${1:-build}")/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run VEXLO_DRIVES=
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Marvane"
printf '[Settings]\nCheckSoftware=0\n' > "$XDG_CONFIG_HOME/Marvane/Vexlo.conf"
cat > "$work/once.sh" <<'ONCE'
#!/usr/bin/env bash
start=$(date +%s%N)
"$1/vexlo" --simulate &
program=$!
until xdotool search --onlyvisible --name '^Vexlo$' >/dev/null 2>&1; do
    kill -0 "$program" 2>/dev/null || { echo "vexlo ended before its window showed" >&2; exit 1; }
done
echo $(( ($(date +%s%N) - start) / 1000000 ))
kill "$program"
wait "$program" 2>/dev/null || true
ONCE
best=
for _ in 1 2 3; do
    ms=$(xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/once.sh" "$bin")
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
done
echo "vexlo --simulate: main window shown after $best ms (best of 3)"
