#!/usr/bin/env bash
# Installs the Debian 12 packages VELTRA builds and runs with, and any packages named as
# arguments (the tools of one script only). Quiet and quick when all of them are present;
# asks apt for its lists only when something is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools gstreamer1.0-x gstreamer1.0-gl
  libglib2.0-dev libxcb1-dev libsdl2-dev libvorbis-dev libgtest-dev libgmock-dev
  xvfb xauth xdotool x11-apps fonts-ipafont-gothic timgm6mb-soundfont vorbis-tools
  qt6-translations-l10n
  qt6-l10n-tools libavformat-dev libavcodec-dev libavutil-dev
  pulseaudio pulseaudio-utils gstreamer1.0-pulseaudio
  dbus-daemon dbus-bin playerctl desktop-file-utils appstream
  ffmpeg
  libpulse-dev
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
