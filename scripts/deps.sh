#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, only those missing.
set -euo pipefail

ORVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qtbase5-dev qtbase5-dev-tools qtmultimedia5-dev libqt5svg5-dev
  libqt5multimedia5-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  librtmidi-dev zlib1g-dev fonts-dejavu-core
  ola iproute2 util-linux python3
)

missing=()
for p in "${ORVANE_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  # The tests start their own Art-Net daemon inside a private network
  # namespace; the system service that the package would start runs on the
  # real network, so it is kept from starting now and at boot.
  policy=/usr/sbin/policy-rc.d
  made_policy=0
  if [[ " ${missing[*]} " == *" ola "* ]] && [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    made_policy=1
  fi
  status=0
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" || status=$?
  [ "$made_policy" -eq 0 ] || "${sudo_cmd[@]}" rm -f "$policy"
  [ "$status" -eq 0 ] || exit "$status"
  if [[ " ${missing[*]} " == *" ola "* ]]; then
    "${sudo_cmd[@]}" update-rc.d olad disable >/dev/null 2>&1 || true
  fi
fi
