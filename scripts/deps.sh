#!/usr/bin/env bash
# Installs the Debian packages Pattaplex needs, quietly, and only those that are missing.
set -euo pipefail
packages=(build-essential cmake pkg-config ninja-build
          qt6-base-dev libgl-dev libfluidsynth-dev libsndfile1-dev libasound2-dev fluid-soundfont-gm fluid-soundfont-gs
          libplist-dev libsmf-dev libglib2.0-dev libgtest-dev libgmock-dev
          fonts-dejavu-core xvfb xauth
          desktop-file-utils appstream shared-mime-info libglib2.0-bin
          fluidsynth   # the program: the render benchmark compares against its file render
          # The JACK tests' own dummy server (jackd2 with its own development files, which
          # FluidSynth's accept too; without them apt swaps FluidSynth's out), and a clock.
          jackd2 libjack-jackd2-dev jack-midi-clock)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
