#!/usr/bin/env bash
# Processor time of the real program while an accessory works, as a user
# meets it: Tavernix on a private X server, its button pressed with xdotool,
# then the CPU of the whole process over a window of time (tavernix_idle_cpu).
# Three runs, each a fresh process: idle, the magnifier open at its default
# refresh (following the pointer, which rests on the main window), and the
# music player playing a tone encoded to MP3 (lame) on repeat.
#
# Usage: bench/accessories/bench_accessories_cpu.sh [build-dir] [seconds]
# Needs Xvfb, xdotool and lame; openbox is used as window manager when present.
# Run as root where another copy of Tavernix may be running.
set -euo pipefail
# Tavernix refuses to start beside another copy of itself run by the same
# user; in a process namespace of its own (root) it sees none.
if [ -z "${TVX_BENCH_OWN_PIDS:-}" ] && [ "$(id -u)" = 0 ] && command -v unshare >/dev/null; then
    TVX_BENCH_OWN_PIDS=1 exec unshare -pf --mount-proc "$0" "$@"
fi
build=${1:-build-test}
seconds=${2:-30}
bin=$(cd "$build/bin" && pwd)
for tool in Xvfb xdotool lame; do
    command -v "$tool" >/dev/null || { echo "bench_accessories_cpu: $tool is needed"; exit 1; }
done
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY=$display
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
fi

# Sixty seconds of 440 Hz, mono, encoded to MP3; the player repeats it.
python3 - "$work/tone.raw" <<'PY'
import math, struct, sys
with open(sys.argv[1], "wb") as f:
    f.write(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 44100)))
                     for i in range(44100 * 60)))
PY
lame --quiet -r -s 44.1 -m m --signed --little-endian "$work/tone.raw" "$work/tone.mp3" 2>/dev/null

# Runs Tavernix with a configuration of its own, presses the button at
# twips (x, y) of the main window's content (0 0: none), runs "$@" there,
# and prints the CPU over the window of time.
measure() {
    local label=$1 tx=$2 ty=$3
    shift 3
    local config="$work/config-$label"
    # A private runtime folder (Qt wants it 0700, or it takes a shared one):
    # another copy on the machine then does not hold this one back.
    mkdir -p "$config" && chmod 700 "$config"
    cat >"$config/tavernix.ini" <<INI
[Lettore]
PlayList=$work/tone.mp3
Current=0
Repeat=1
INI
    XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" QT_LOGGING_RULES="qt.multimedia*=false" \
        "$bin/tavernix" --no-port-mapping >/dev/null 2>&1 &
    local app=$!
    pids+=("$app")
    local window=""
    for _ in $(seq 150); do
        window=$(xdotool search --onlyvisible --pid "$app" --name '^Tavernix$' 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || { echo "$label: the main window did not appear"; return 1; }
    sleep 2
    if [ "$tx" -gt 0 ]; then
        # 15 twips to a pixel, as the main window lays itself out.
        xdotool mousemove --window "$window" $((tx / 15)) $((ty / 15)) click 1
        sleep 2
    fi
    "$@"
    sleep 2
    printf '%-32s ' "$label:"
    "$bin/tavernix_idle_cpu" "$app" "$seconds" | tail -1
    # What was running meanwhile, so a figure cannot stand for nothing.
    printf '%-32s magnifier shown: %s, MP3 decoder loaded: %s\n' "" \
        "$(xdotool search --all --onlyvisible --pid "$app" --name '^Lente' >/dev/null 2>&1 && echo yes || echo no)" \
        "$(grep -qE 'libgstmpg123|libgstlibav' "/proc/$app/maps" && echo yes || echo no)"
    kill "$app"
    wait "$app" 2>/dev/null || true
}

play() {
    # Ctrl+P in the player window: play.
    local player
    player=$(xdotool search --onlyvisible --name 'Lettore musicale' | head -1)
    xdotool windowactivate --sync "$player" 2>/dev/null || xdotool windowfocus "$player"
    xdotool key --window "$player" ctrl+p
}

echo "Tavernix CPU over $seconds s ($(nproc) cores):"
measure "idle" 0 0 true
# The magnifier's button (4230, 5745 twips, 255 square), pressed in its middle.
measure "magnifier, default refresh" 4357 5872 true
# The music player's button (4515, 5745).
measure "music player, playing MP3" 4642 5872 play
