#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vexlin needs.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config
  # Qt 6: widgets, charts, OpenGL widgets, multimedia (PulseAudio back end), xcb platform plugin
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-multimedia-dev qt6-qpa-plugins
  libqt6svg6 qt6-wayland
  # graphics: Mesa GL and GLU, software rasteriser for headless runs
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  # file formats and hardware facts
  libjpeg62-turbo-dev libmpg123-dev libpci-dev pci.ids libxrandr-dev libx11-dev libxcb1-dev libzip-dev libpugixml-dev
  libfontconfig-dev
  # drive health: smartctl's JSON read with nlohmann-json; pkexec asks for the password through polkit;
  # a fake UDisks2 on a private bus in tests
  nlohmann-json3-dev smartmontools pkexec polkitd python3-dbusmock
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # headless desktop for window, OpenGL and audio tests
  xvfb x11-utils xdotool openbox pulseaudio pulseaudio-utils dbus-x11
  # the soak test counts the windows and pixmaps the program holds in the X server
  xrestop
  # the screenshot that scripts/run.sh takes on a machine without a display
  imagemagick
  # the report read back by an independent reader in the tests
  pandoc
  # fonts with the metrics of Arial, Times New Roman and Courier New; Cyrillic glyphs
  fonts-liberation fonts-dejavu-core fontconfig
  # a Wayland session in tests (weston's headless back end)
  weston
  # desktop integration and the Debian package: validators, dpkg-shlibdeps, lintian
  desktop-file-utils appstream dpkg-dev lintian
)
# scripts/fuzz.sh: clang with libFuzzer and the sanitizer run-times
if [[ ${VEXLIN_INSTALL_FUZZ:-0} == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
