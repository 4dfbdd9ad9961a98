#!/usr/bin/env bash
# Installs the Debian packages Pattaplex needs, quietly, and only those that are missing.
# Never removes anything: when apt would take a package away to make room, it installs
# nothing, names what would go and fails.
#
#   scripts/deps.sh [EXTRA_PACKAGE...]     the build's packages, plus any named
#   source scripts/deps.sh                 only defines the functions below, e.g. for a
#   install_packages_safely jackd2         script that needs a package of its own

# True when the package is installed (not merely known, nor removed with its settings kept).
package_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The JACK headers of the JACK already on the machine: JACK 1's where its library is
# installed, JACK 2's otherwise (the one a later JACK 2 server or control panel needs).
# Left to apt, libfluidsynth-dev's "libjack-dev | libjack-jackd2-dev" picks JACK 1 even
# where that sets the machine against its JACK 2 server.
jack_headers_package() {
    if package_installed libjack0; then
        echo libjack-dev
    else
        echo libjack-jackd2-dev
    fi
}

# Installs the named packages that are missing; prints nothing when none is.
# Asks apt first what it would do (apt-get -s) and installs nothing if that would remove
# any package: it prints those and returns non-zero. apt's own output is shown whenever a
# step fails.
install_packages_safely() {
    local missing=() p
    for p in "$@"; do
        package_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=() log
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
    log=$(mktemp) || return 1

    if ! "${apt[@]}" update -qq >"$log" 2>&1; then
        cat "$log" >&2
        echo "deps: apt-get update failed" >&2
        rm -f "$log"
        return 1
    fi
    if ! "${apt[@]}" install -s --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
        cat "$log" >&2
        echo "deps: apt cannot install ${missing[*]}" >&2
        rm -f "$log"
        return 1
    fi
    local removed
    removed=$(awk '$1 == "Remv" || $1 == "Purg" { print "  " $2 }' "$log")
    if [ -n "$removed" ]; then
        echo "deps: installing ${missing[*]} would remove these packages:" >&2
        echo "$removed" >&2
        echo "deps: nothing installed; install the packages by hand if that is what you want" >&2
        rm -f "$log"
        return 1
    fi
    echo "Installing: ${missing[*]}"
    if ! "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
        cat "$log" >&2
        echo "deps: apt-get install failed" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# What building, testing, packaging and trying the window need.
build_packages() {
    echo build-essential cmake pkg-config ninja-build \
        qt6-base-dev libgl-dev libfluidsynth-dev "$(jack_headers_package)" libpulse-dev \
        libsndfile1-dev libasound2-dev fluid-soundfont-gm fluid-soundfont-gs \
        libplist-dev libsmf-dev libglib2.0-dev libgtest-dev libgmock-dev \
        fonts-dejavu-core xvfb xauth \
        desktop-file-utils appstream shared-mime-info libglib2.0-bin \
        ableton-link-dev \
        fluidsynth # the program: the render benchmark compares against its file render
}

# The servers the sound and MIDI tests start of their own: the JACK server of the JACK
# already there, and PulseAudio (its null sink; the tests never touch a user's own server). Where
# one would remove something (PulseAudio beside PipeWire's), its tests skip instead.
sound_server_packages() {
    if package_installed libjack0; then
        echo jackd1 pulseaudio
    else
        echo jackd2 pulseaudio
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    # shellcheck disable=SC2046 # the list is words by design
    install_packages_safely $(build_packages) "$@"
    # shellcheck disable=SC2046
    install_packages_safely $(sound_server_packages) ||
        echo "deps: the tests that need these sound servers will be skipped" >&2
fi
