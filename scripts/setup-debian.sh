#!/usr/bin/env bash
# Installs what building Tavernix needs on Debian 12, once; with
# --with-test-tools also what its tests need.
set -euo pipefail
# libxcb1-dev and pkgconf: the program panel hosts other programs' windows on X11.
# qt6-translations-l10n: Qt's own dialogs and buttons in Italian, as the rest.
# qt6-l10n-tools and qt6-tools-dev: lupdate and lrelease, and CMake's functions
# for them, build the window's English texts.
# libsystemd-dev: tavernix-server tells the service manager when it is ready.
packages=(cmake g++ make qt6-base-dev qt6-multimedia-dev libgl-dev libxcb1-dev pkgconf
    qt6-translations-l10n qt6-l10n-tools qt6-tools-dev libsystemd-dev)
# The port mapper asks the home router through these two libraries.
packages+=(libminiupnpc-dev libnatpmp-dev)
# A host makes its own certificate and hashes table passwords with OpenSSL 3
# (Qt can speak TLS through it but cannot make a certificate).
packages+=(libssl-dev)
# libpng-dev: a shared picture larger than the board is read row by row, so
# only what the board can show of it is held (Qt's reader decodes it whole).
packages+=(libpng-dev)
# The music player's codecs and sound output, through Qt Multimedia's
# GStreamer backend: MP3, FLAC and WAV (good), Ogg and Opus (base), WMA and
# AAC (libav); the sound goes to PulseAudio or PipeWire, or straight to ALSA.
packages+=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    gstreamer1.0-pulseaudio gstreamer1.0-alsa)
# The tests also start a private X server and a small X program to host,
# and validate the launcher entry and the metainfo; clang with its sanitizer
# and libFuzzer runtime builds the fuzz targets.
if [ "${1:-}" = "--with-test-tools" ]; then
    packages+=(xvfb x11-apps desktop-file-utils appstream clang libclang-rt-14-dev)
    # A home router in network namespaces for the port-mapping test.
    packages+=(iproute2 nftables miniupnpd-nftables miniupnpc)
    # The accessibility bus and its Python bindings, for the smoke test that
    # finds the main window's controls as a screen reader does.
    packages+=(at-spi2-core dbus python3-gi gir1.2-atspi-2.0 python3-pyatspi)
    # An MP3 encoder makes the music player's test tune.
    packages+=(lame)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    elif command -v sudo >/dev/null 2>&1; then
        sudo apt-get update -qq
        sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    else
        # A Debian installed with a root password has no sudo: ask for it once.
        echo "sudo is not installed; enter the root password to install the packages."
        su -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ${missing[*]}"
    fi
fi
