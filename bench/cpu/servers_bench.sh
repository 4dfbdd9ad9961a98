#!/usr/bin/env bash
# CPU of the window program and of its sound server, stopped and then playing Funk, under
# each server that runs here without a sound card: PulseAudio with a null sink, PipeWire
# with its PulseAudio service, a JACK dummy server (48 kHz, 256 frames) and the file
# driver; and Hydrogen's under the same servers where it is installed. Every server is
# started with sockets and names of its own and stopped by its process id. Prints a table
# of percentages of one core and the output latency the program reports. Run by hand with
# a release build:
#   bench/cpu/servers_bench.sh [program] [seconds]
set -uo pipefail
program=$(realpath "${1:-build/release/src/app/pattaplex}")
cli=$(dirname "$program")/pattaplex-cli
seconds=${2:-30}
work=$(mktemp -d /tmp/pattaplex-servers.XXXXXX)
display=:$((120 + RANDOM % 50))
started=()
stop_all() {
    for p in "${started[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${started[@]}"; do wait "$p" 2>/dev/null; done
    started=()
}
trap 'stop_all; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display HOME=$work/home
mkdir -p "$HOME"
"$cli" preset Funk "$work/funk.grv" >/dev/null

# Clock ticks (user + system) of the processes named, all together.
ticks() {
    local sum=0 p
    for p in "$@"; do
        [ -r "/proc/$p/stat" ] && sum=$((sum + $(awk '{print $14 + $15}' "/proc/$p/stat")))
    done
    echo "$sum"
}
# Percent of one core the program ($1) and the server (the rest) use over `seconds`.
measure() {
    local app=$1 a0 s0 a1 s1
    shift
    a0=$(ticks "$app") s0=$(ticks "$@")
    sleep "$seconds"
    a1=$(ticks "$app") s1=$(ticks "$@")
    awk -v a=$((a1 - a0)) -v s=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v t="$seconds" \
        'BEGIN {printf "%5.1f %% %5.1f %%", a * 100 / (hz * t), s * 100 / (hz * t)}'
}
# The program ($1: pattaplex or hydrogen) under the server whose processes follow;
# prints idle and playing figures and the latency line the program logged.
run() {
    local kind=$1 app window idle playing latency
    shift
    if [ "$kind" = pattaplex ]; then
        "$program" "$work/funk.grv" >"$work/app.log" 2>&1 &
    else
        # --child: no crash-reporting parent, so that $! is the program itself.
        hydrogen --child -n -V Error -d "$H2_DRIVER" -s "$hydrogen_song" >"$work/app.log" 2>&1 &
    fi
    app=$!
    sleep 6  # start-up, the soundfonts, and the stream settling
    window=""
    for _ in $(seq 30); do
        if [ "$kind" = pattaplex ]; then
            window=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | tail -1)
        else
            hydrogen_dismiss
            window=$(xdotool search --onlyvisible --name '^Hydrogen [0-9]' 2>/dev/null | tail -1)
        fi
        [ -n "$window" ] && break
        sleep 1
    done
    if [ -z "$window" ]; then
        echo "$kind: n/a (no window came up)"
        kill "$app"
        wait "$app" 2>/dev/null
        return
    fi
    if grep -q 'falling back to NullDriver' "$work/app.log"; then
        echo "$kind: n/a (it could not open its $H2_DRIVER driver)"
        kill "$app"
        wait "$app" 2>/dev/null
        return
    fi
    idle=$(measure "$app" "$@")
    xdotool windowfocus --sync "$window" key space >/dev/null 2>&1
    sleep 2
    playing=$(measure "$app" "$@")
    latency=$(grep -o 'output latency [0-9.]* ms' "$work/app.log" | tail -1)
    kill "$app"
    wait "$app" 2>/dev/null
    printf '%-10s idle %s   playing %s   %s\n' "$kind" "$idle" "$playing" "${latency:-}"
}
both() {
    run pattaplex "$@"
    [ -n "$hydrogen_song" ] && run hydrogen "$@"
}
# Hydrogen opens with message boxes (its development-version notice) that hold back its
# main window until answered: each is answered with Return.
hydrogen_dismiss() {
    local w
    for w in $(xwininfo -root -tree | awk '/"Hydrogen": \("hydrogen"/ {print $1}'); do
        xwininfo -id "$w" 2>/dev/null | grep -q IsViewable &&
            xdotool windowfocus --sync "$w" key Return >/dev/null 2>&1
    done
}
# A demo song of Hydrogen's, set to loop: played once it would stop within the measure.
hydrogen_song=""
if command -v hydrogen >/dev/null; then
    demo=$(find /usr/share/hydrogen -name 'GM_kit_demo1.h2song' | head -1)
    [ -n "$demo" ] || demo=$(find /usr/share/hydrogen -name '*.h2song' | head -1)
    if [ -n "$demo" ]; then
        hydrogen_song=$work/demo.h2song
        sed 's|<loopEnabled>false</loopEnabled>|<loopEnabled>true</loopEnabled>|' "$demo" \
            >"$hydrogen_song"
    fi
fi
echo "CPU as a share of one core over ${seconds} s: program, then its server"

echo "== PulseAudio, null sink"
rt=$work/pulse
mkdir -p "$rt"
cat >"$work/null.pa" <<EOF
load-module module-null-sink sink_name=bench
set-default-sink bench
load-module module-native-protocol-unix socket=$rt/native auth-anonymous=1
EOF
XDG_RUNTIME_DIR=$rt pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -F "$work/null.pa" >/dev/null 2>&1 &
server=$!
started+=("$server")
sleep 2
PULSE_SERVER=unix:$rt/native PATTAPLEX_AUDIO_DRIVER=pulseaudio H2_DRIVER=pulseaudio \
    both "$server"
stop_all

echo "== PipeWire with pipewire-pulse, null sink"
rt=$work/pipewire
mkdir -p "$rt"
export XDG_RUNTIME_DIR=$rt
pipewire >/dev/null 2>&1 &
started+=($!)
sleep 1
wireplumber >/dev/null 2>&1 &
started+=($!)
pipewire-pulse >/dev/null 2>&1 &
started+=($!)
sleep 2
PULSE_SERVER=unix:$rt/pulse/native pactl load-module module-null-sink sink_name=bench >/dev/null
PULSE_SERVER=unix:$rt/pulse/native pactl set-default-sink bench
sleep 1
PULSE_SERVER=unix:$rt/pulse/native PATTAPLEX_AUDIO_DRIVER=pipewire H2_DRIVER=pulseaudio \
    both "${started[@]}"
stop_all
unset XDG_RUNTIME_DIR

echo "== JACK dummy, 48 kHz, 256 frames"
name=pattaplex-bench-$$
mkdir -p "/dev/shm/jack-$(id -u)/default"  # JACK 1's metadata folder
jackd --no-realtime -n "$name" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
server=$!
started+=("$server")
sleep 2
JACK_DEFAULT_SERVER=$name PATTAPLEX_AUDIO_DRIVER=jack H2_DRIVER=jack both "$server"
stop_all

echo "== file driver"
PATTAPLEX_AUDIO_DRIVER=file PATTAPLEX_AUDIO_FILE=$work/live.wav run pattaplex
