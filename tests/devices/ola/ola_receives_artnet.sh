#!/usr/bin/env bash
# Checks our Art-Net output against an independent receiver. In a private
# network namespace, OLA's daemon runs as the user olad with only its Art-Net
# plugin, bound to a second loopback address; the scene sender discovers it
# by polling the loopback broadcast and sends a known two-universe scene; OLA
# must record exactly the expected 512 levels of each universe, and nothing
# on a universe the project does not have.
#
#   ola_receives_artnet.sh <artnet_scene_sender>
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"
sender="$1"
universes=2
ticks=40

if [ "${ORVANE_PRIVATE_NETNS:-}" != 1 ]; then
  if ! unshare -n true 2>/dev/null; then
    echo "SKIP: network namespaces cannot be made here (unshare -n failed); OLA's receipt of our Art-Net output was not checked"
    exit 77
  fi
  ORVANE_PRIVATE_NETNS=1 exec unshare -n bash "$0" "$@"
fi

# From here on inside the namespace: nothing sent can leave the machine.
if ip -o link show | grep -v -q -E '^[0-9]+: lo:'; then
  echo "refusing to run: the namespace has a network interface besides the loopback"
  exit 1
fi
for tool in olad ola_dev_info ola_patch ola_plugin_info ola_plugin_state ola_recorder setpriv; do
  command -v "$tool" >/dev/null || { echo "$tool not found: run scripts/deps.sh (Debian package ola)"; exit 1; }
done
id olad >/dev/null 2>&1 || { echo "user olad missing: run scripts/deps.sh (Debian package ola)"; exit 1; }

ip link set lo up
ip addr add 127.0.0.2/8 dev lo

work="$(mktemp -d)"
olad_pid=""
recorder_pid=""
cleanup() {
  [ -z "$recorder_pid" ] || kill "$recorder_pid" 2>/dev/null || true
  [ -z "$olad_pid" ] || kill "$olad_pid" 2>/dev/null || true
  [ -z "$olad_pid" ] || wait "$olad_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- olad log"; cat "$work/olad.log" 2>/dev/null || true
  exit 1
}

config="$work/config"
mkdir "$config"
for plugin in dummy e131 espnet ftdidmx gpio karate kinet milinst opendmx openpixelcontrol osc pathport \
              renard sandnet shownet spi stageprofi uartdmx usbdmx usbserial; do
  echo "enabled = false" >"$config/ola-$plugin.conf"
done
printf 'enabled = true\nip = 127.0.0.2\nuse_loopback = true\nnet = 0\nsubnet = 0\n' >"$config/ola-artnet.conf"
chmod 711 "$work"
chown -R olad "$config"
chmod 700 "$config"
as_olad=(setpriv --reuid=olad --regid="$(id -g olad)" --init-groups)
# olad starts every plugin whose configuration it cannot read.
for conf in "$config"/*.conf; do
  "${as_olad[@]}" test -r "$conf" || fail "olad cannot read $conf"
done

"${as_olad[@]}" olad --config-dir "$config" --no-http --no-register-with-dns-sd --log-level 3 >"$work/olad.log" 2>&1 &
olad_pid=$!

device=""
for _ in $(seq 100); do
  device="$(ola_dev_info 2>/dev/null | sed -n -E 's/^Device ([0-9]+): ArtNet .*/\1/p' | head -n 1)" || true
  [ -n "$device" ] && break
  kill -0 "$olad_pid" 2>/dev/null || fail "olad stopped"
  sleep 0.1
done
[ -n "$device" ] || fail "OLA's Art-Net device did not appear"

# Only the Art-Net plugin may be running. A busy daemon can answer the
# plugin query with nothing at first, so an empty answer is asked again.
active=""
for _ in $(seq 20); do
  while read -r plugin_id name; do
    [[ "$plugin_id" =~ ^[0-9]+$ ]] || continue
    if ola_plugin_state -p "$plugin_id" | grep -q '^Active: True'; then active+="$name;"; fi
  done < <(ola_plugin_info 2>/dev/null || true)
  [ -n "$active" ] && break
  sleep 0.2
done
[ "$active" = "ArtNet;" ] || fail "plugins active besides Art-Net: $active"

# OLA universe n listens on Art-Net Port-Address n. Port-Address 2 is beyond
# the scene's two universes and must stay silent.
ola_patch -d "$device" -p 0 -u 1 -i
ola_patch -d "$device" -p 1 -u 0 -i
ola_patch -d "$device" -p 2 -u 2 -i

ola_recorder --record "$work/show.txt" --universes 0,1,2 >"$work/recorder.log" 2>&1 &
recorder_pid=$!
for _ in $(seq 50); do
  grep -q Recording "$work/recorder.log" 2>/dev/null && break
  sleep 0.1
done
grep -q Recording "$work/recorder.log" || fail "ola_recorder did not start: $(cat "$work/recorder.log")"

"$sender" 127.0.0.1 127.255.255.255 127.0.0.2 "$universes" "$ticks" || fail "the scene sender failed"
sleep 0.5
kill -INT "$recorder_pid"
wait "$recorder_pid" || true
recorder_pid=""

expected() {
  local u="$1" i levels=()
  for ((i = 0; i < 512; i++)); do levels+=($(((37 * i + 101 * u + 11) % 256))); done
  (IFS=,; echo "${levels[*]}")
}
expected0="$(expected 0)"
expected1="$(expected 1)"

frames=(0 0 0)
while read -r universe levels; do
  [ -n "${levels:-}" ] || continue # delays between frames and the header
  [[ "$universe" =~ ^[0-9]+$ ]] || continue
  case "$universe" in
    0) [ "$levels" = "$expected0" ] || fail "universe 0 recorded as: $levels" ;;
    1) [ "$levels" = "$expected1" ] || fail "universe 1 recorded as: $levels" ;;
    *) fail "universe $universe received levels it was never sent: $levels" ;;
  esac
  frames[universe]=$((frames[universe] + 1))
done <"$work/show.txt"

[ "${frames[0]}" -gt 0 ] || fail "OLA recorded nothing on universe 0"
[ "${frames[1]}" -gt 0 ] || fail "OLA recorded nothing on universe 1"
echo "OLA recorded ${frames[0]} frames of universe 0 and ${frames[1]} of universe 1, each exactly the 512 expected levels; nothing on universe 2"
