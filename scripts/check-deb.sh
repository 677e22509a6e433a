#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 and runs what it
# installed there, with nothing else installed by hand: apt resolves the
# package's Depends. Run by hand as root (not part of .ci/run: the first run
# downloads a base system with debootstrap, about 300 MB).
#   scripts/check-deb.sh [DEB] [CHROOT]
#     DEB     default: build/package/physprops_*.deb (from `make package`)
#     CHROOT  default: /var/tmp/physprops-bookworm (made when missing; a later
#             run removes the package from it first, so each run installs
#             into the base system again)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls -t "$root"/build/package/physprops_*.deb 2>/dev/null | head -n 1)}
chroot=${2:-/var/tmp/physprops-bookworm}
fail() { echo "FAIL: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || fail "run as root (debootstrap and chroot need it)"
[[ -f $deb ]] || fail "no package '$deb': run make package first"
case $(realpath -m "$chroot") in "$root"|"$root"/*) fail "the chroot must be outside the tree" ;; esac

if [[ ! -x $chroot/usr/bin/apt-get ]]; then
  command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
  debootstrap bookworm "$chroot" http://deb.debian.org/debian
fi
cp /etc/resolv.conf "$chroot/etc/resolv.conf"
mount -t proc proc "$chroot/proc"
# (A companion the walkthrough started may still be running in there.)
trap 'umount "$chroot/proc" 2>/dev/null || umount -l "$chroot/proc"' EXIT
in_chroot() { chroot "$chroot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
                DEBIAN_FRONTEND=noninteractive "$@"; }

# Back to the base system, then the package and what it depends on.
in_chroot apt-get purge -y -qq physprops >/dev/null 2>&1 || true
in_chroot apt-get autoremove -y -qq --purge >/dev/null 2>&1
cp "$deb" "$chroot/tmp/"
in_chroot apt-get update -qq
in_chroot sh -c "cd /tmp && apt-get install -y -qq --no-install-recommends ./$(basename "$deb")" \
  >"$chroot/tmp/install.log" 2>&1 || { cat "$chroot/tmp/install.log" >&2; fail "apt-get install"; }

version=$(dpkg-deb -f "$deb" Version)
for program in physprops brdedit prjsetup; do
  out=$(in_chroot "$program" --version) || fail "$program --version"
  [[ $out == "$program $version" ]] || fail "$program --version printed '$out'"
done

# The demo project through a short walkthrough, offscreen, with a runtime
# folder of its own.
mkdir -p -m 700 "$chroot/tmp/run"
printf 'dialog Physical Properties\npress OK\n' >"$chroot/tmp/ok.txt"
run() { in_chroot XDG_RUNTIME_DIR=/tmp/run QT_QPA_PLATFORM=offscreen "$@"; }
out=$(run physprops --project /usr/share/physprops/examples/demo/demo.ini \
        --prop JEDEC_TYPE=SOIC14 --prop "ALT_SYMBOLS=(Top:SOIC14;DIP8)" --script /tmp/ok.txt \
        2>"$chroot/tmp/ok.log") || { cat "$chroot/tmp/ok.log" >&2; fail "physprops exited $?"; }
[[ $out == $'JEDEC_TYPE=SOIC14\nALT_SYMBOLS=(Top:SOIC14;DIP8)' ]] || fail "physprops printed '$out'"
# The whole walkthrough of `make demo`: the companions from /usr/bin too.
demo=/usr/share/physprops/examples/demo
run physprops --project $demo/demo.ini --prop JEDEC_TYPE=SOIC14 --prop "ALT_SYMBOLS=(Top:SOIC14;DIP8)" \
  --prop "DESCRIPTION=14-pin small outline" --script $demo/walkthrough.txt --screenshots /tmp/shots \
  >/dev/null 2>"$chroot/tmp/walkthrough.log" ||
  { tail -n 20 "$chroot/tmp/walkthrough.log" >&2; fail "the demo walkthrough exited $?"; }

# The manual pages, with a man reader added for the check (after the runs).
# (Marked as installed automatically, so the next run's autoremove takes it.)
in_chroot apt-get install -y -qq --no-install-recommends man-db >/dev/null 2>&1 || fail "installing man-db"
in_chroot apt-mark auto man-db >/dev/null
for program in physprops brdedit prjsetup; do
  page=$(in_chroot man -w "$program") || fail "man -w $program"
  echo "man page: $page"
done
echo "$(basename "$deb") installed into $chroot and ran the demo project"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
