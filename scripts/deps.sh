#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the project builds, tests and runs with.
# `scripts/deps.sh a11y` adds what the accessibility tests need (label a11y).
# Installs only what is missing; needs root or sudo, otherwise prints the
# command to run and stops.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The share benchmark's slow share: a FUSE file system and its mounting.
  libfuse3-dev fuse3
  fonts-dejavu-core
  clang libclang-rt-14-dev gcovr
  # make package: dpkg-buildflags and dpkg-shlibdeps (dpkg-dev), and `file`,
  # with which CPack finds the binaries to hand to dpkg-shlibdeps.
  dpkg-dev file
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  llvm-14
  # make lint
  clang-format clang-tidy
)
# The accessibility stage (scripts/deps.sh a11y): a virtual X server, a window
# manager, the session and accessibility buses, key events and Debian's
# Python bindings of the accessibility bus.
if [[ "${1:-}" == "a11y" ]]; then
  PACKAGES+=(xvfb openbox xdotool dbus-x11 at-spi2-core python3-pyatspi)
  shift
fi
# The benchmark's plot (make bench) only.
if [[ "${PHYSPROPS_BENCH_DEPS:-0}" == 1 ]]; then PACKAGES+=(gnuplot-nox); fi
if [[ "${1:-}" == "--list" ]]; then echo "${PACKAGES[*]}"; exit 0; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO=(sudo)
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root:  apt-get install -y ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
need_update=0
for p in "${missing[@]}"; do
  cand=$(apt-cache policy "$p" 2>/dev/null | awk '/Candidate:/ {print $2}')
  if [[ -z "$cand" || "$cand" == "(none)" ]]; then need_update=1; break; fi
done
if [[ $need_update -eq 1 ]]; then
  "${SUDO[@]}" apt-get update -qq
fi
echo "Installing: ${missing[*]}"
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
