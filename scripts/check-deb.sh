#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package on fresh Debian 12 systems, with nothing
# installed by hand: run by hand as root (not part of .ci/run: the first run
# downloads a base system with debootstrap, about 300 MB, and --build
# downloads the build dependencies and builds the package, many minutes).
#   scripts/check-deb.sh [--build] [DEB]
#     --build  first make the package in a fresh system that has only a
#              compiler, CMake, make and git: the committed tree (HEAD) is
#              cloned in and `make package JOBS=2` runs there, installing
#              what it needs itself
#     DEB      the package to check (default: the one --build made, else
#              build/package/physprops_*.deb from `make package`)
# Then installs the package with apt-get into another fresh system (apt
# resolves its Depends) and runs there what it installed: the programs'
# --version, a short script, the installed demo README's walkthrough
# command exactly as written, and the manual pages.
# Folders (outside the tree): CHECK_DEB_DIR, default /var/tmp/physprops-check:
# base/ the debootstrapped system, kept as it is and copied for each
# system; build/ and install/ those systems, made anew on each run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
build=0
if [[ ${1:-} == --build ]]; then build=1; shift; fi
deb=${1:-}
dir=${CHECK_DEB_DIR:-/var/tmp/physprops-check}
[[ $(id -u) -eq 0 ]] || fail "run as root (debootstrap and chroot need it)"
case $(realpath -m "$dir") in "$root"|"$root"/*) fail "CHECK_DEB_DIR must be outside the tree" ;; esac

mounted=()
cleanup() {
  local m
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || umount -l "$m"; done
}
trap cleanup EXIT
# A fresh system in $dir/NAME: a copy of the base, with /proc.
fresh() {
  local sys=$dir/$1
  if [[ -d $sys ]]; then
    mountpoint -q "$sys/proc" && { umount "$sys/proc" 2>/dev/null || umount -l "$sys/proc"; }
    mountpoint -q "$sys/proc" && fail "$sys/proc is still mounted"
    rm -rf --one-file-system "$sys"
  fi
  cp -a "$dir/base" "$sys"
  cp /etc/resolv.conf "$sys/etc/resolv.conf"
  mount -t proc proc "$sys/proc"
  mounted+=("$sys/proc")
}
in_sys() {
  local sys=$dir/$1
  shift
  chroot "$sys" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

mkdir -p "$dir"
if [[ ! -x $dir/base/usr/bin/apt-get ]]; then
  command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
  rm -rf --one-file-system "$dir/base"
  debootstrap bookworm "$dir/base" http://deb.debian.org/debian
fi

if [[ $build -eq 1 ]]; then
  [[ -z $(git -C "$root" status --porcelain --untracked-files=no) ]] ||
    echo "note: uncommitted changes are not in the check (it builds HEAD)" >&2
  commit=$(git -C "$root" rev-parse HEAD)
  echo "== build system: g++ cmake make git, then make package of $commit"
  fresh build
  in_sys build apt-get update -qq
  in_sys build apt-get install -y -qq --no-install-recommends g++ cmake make git >/dev/null
  git clone -q "$root" "$dir/build/root/physprops"
  git -C "$dir/build/root/physprops" checkout -q "$commit"
  in_sys build sh -c 'cd /root/physprops && make package JOBS=2' >"$dir/build.log" 2>&1 ||
    { tail -n 30 "$dir/build.log" >&2; fail "make package in the fresh system (log: $dir/build.log)"; }
  deb=$(ls -t "$dir"/build/root/physprops/build/package/physprops_*.deb | head -n 1)
  echo "made $deb"
fi
deb=${deb:-$(ls -t "$root"/build/package/physprops_*.deb 2>/dev/null | head -n 1)}
[[ -f $deb ]] || fail "no package '$deb': run make package first, or --build"

echo "== install system: apt-get install ./$(basename "$deb")"
fresh install
cp "$deb" "$dir/install/tmp/"
in_sys install apt-get update -qq
in_sys install sh -c "cd /tmp && apt-get install -y -qq --no-install-recommends ./$(basename "$deb")" \
  >"$dir/install.log" 2>&1 || { cat "$dir/install.log" >&2; fail "apt-get install"; }

version=$(dpkg-deb -f "$deb" Version)
for program in physprops brdedit prjsetup; do
  out=$(in_sys install "$program" --version) || fail "$program --version"
  [[ $out == "$program $version" ]] || fail "$program --version printed '$out'"
done

# A short script, offscreen, with a runtime folder of its own.
mkdir -p -m 700 "$dir/install/tmp/run"
printf 'dialog Physical Properties\npress OK\n' >"$dir/install/tmp/ok.txt"
run() { in_sys install XDG_RUNTIME_DIR=/tmp/run "$@"; }
out=$(run QT_QPA_PLATFORM=offscreen physprops --project /usr/share/physprops/examples/demo/demo.ini \
        --prop JEDEC_TYPE=SOIC14 --prop "ALT_SYMBOLS=(Top:SOIC14;DIP8)" --script /tmp/ok.txt \
        2>"$dir/install/tmp/ok.log") || { cat "$dir/install/tmp/ok.log" >&2; fail "physprops exited $?"; }
[[ $out == $'JEDEC_TYPE=SOIC14\nALT_SYMBOLS=(Top:SOIC14;DIP8)' ]] || fail "physprops printed '$out'"

# The whole walkthrough, by the command the installed demo README gives.
readme=$dir/install/usr/share/physprops/examples/demo/README.md
command=$(awk '/^    / {print substr($0, 5); found = 1; next} found {exit}' "$readme")
[[ -n $command ]] || fail "no command in the installed demo README"
printf '%s\n' "$command" | sed 's/^/  $ /'
run bash -c "$command" >"$dir/walkthrough.out" 2>"$dir/walkthrough.log" ||
  { tail -n 20 "$dir/walkthrough.log" >&2; fail "the demo README's walkthrough exited $?"; }
sed 's/^/  /' "$dir/walkthrough.out"
echo "  ($(grep -c . "$dir/walkthrough.log") lines on standard error, $(ls "$dir"/install/tmp/physprops-demo/*.png | wc -l) PNGs in /tmp/physprops-demo)"

# The manual pages, with a man reader added for the check (after the runs).
in_sys install apt-get install -y -qq --no-install-recommends man-db >/dev/null 2>&1 || fail "installing man-db"
for program in physprops brdedit prjsetup; do
  page=$(in_sys install man -w "$program") || fail "man -w $program"
  echo "man page: $page"
done
echo "$(basename "$deb") installed into a fresh Debian 12 ($dir/install) and ran the demo walkthrough"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
