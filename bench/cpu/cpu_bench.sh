#!/usr/bin/env bash
# CPU use of the window program stopped and silent, then playing (Space), and its resident
# memory, on a virtual display. Run by hand with a release build:
#   bench/cpu/cpu_bench.sh [program] [seconds]
# With PATTAPLEX_AUDIO_DRIVER=none nothing is synthesized; with the file driver the
# synthesizer runs as with a sound card and writes /tmp/pattaplex_cpu.wav in real time.
set -euo pipefail
program=${1:-build/release/src/app/pattaplex}
seconds=${2:-20}
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
app=""
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

# Percent of one core the process used over `seconds`.
cpu() {
    local hz t0 t1
    hz=$(getconf CLK_TCK)
    t0=$(awk '{print $14 + $15}' "/proc/$1/stat")
    sleep "$2"
    t1=$(awk '{print $14 + $15}' "/proc/$1/stat")
    awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$2" 'BEGIN {printf "%.2f", (b - a) * 100 / (hz * s)}'
}

for driver in none file; do
    PATTAPLEX_AUDIO_DRIVER=$driver PATTAPLEX_AUDIO_FILE=/tmp/pattaplex_cpu.wav "$program" \
        >/dev/null 2>&1 &
    app=$!
    sleep 4  # start-up and the soundfonts
    window=$(xdotool search --sync --onlyvisible --pid "$app" | tail -1)
    idle=$(cpu "$app" "$seconds")
    xdotool windowfocus --sync "$window" key space
    sleep 1
    playing=$(cpu "$app" "$seconds")
    rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$app/status")
    echo "driver $driver: stopped ${idle} % of a core, playing ${playing} %, resident ${rss} MB"
    kill "$app"
    wait "$app" 2>/dev/null || true
done
rm -f /tmp/pattaplex_cpu.wav
