#!/usr/bin/env bash
# Runs a command as root in a fresh, minimal Debian 12 holding the committed tree, the way a new
# user's machine starts out:
#
#     scripts/fresh-root.sh [--keep] COMMAND [ARG...]
#     scripts/fresh-root.sh scripts/test.sh
#
# The root is made once by `debootstrap --variant=minbase bookworm` and kept as a tarball in
# $PHASEMETER_ROOT_CACHE (default ~/.cache/phasemeter), so later runs start in seconds; delete the
# tarball to make a new one. Each run unpacks it into a new folder, copies `git archive HEAD` to
# /src in it, and runs COMMAND in /src through chroot with a clean environment. /proc, /sys, /dev,
# /dev/pts and /dev/shm are mounted inside a private mount and PID namespace (unshare), so the
# mounts exist only for the command and its children, and end with it, even when it fails or
# leaves a process behind. The folder is removed afterwards unless --keep is given (its path is
# printed), for looking at what the command left, such as a screenshot.
#
# Needs root and Debian's packages only (debootstrap is installed when missing). The exit status
# is COMMAND's; nothing is printed after it unless it failed.
set -euo pipefail
cd "$(dirname "$0")/.."

keep=no
options=()
if [ "${1:-}" = --keep ]; then
    keep=yes
    options=(--keep)
    shift
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 [--keep] COMMAND [ARG...]" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    exec sudo -- "$0" "${options[@]}" "$@"
fi

suite=bookworm
arch=$(dpkg --print-architecture)
mirror=${PHASEMETER_ROOT_MIRROR:-http://deb.debian.org/debian}
cache=${PHASEMETER_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/phasemeter}
tarball=$cache/debian12-minbase-$arch.tar.gz

say() { echo "fresh-root: $*"; }

for tool in debootstrap unshare git; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        say "installing debootstrap"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            debootstrap util-linux git >/dev/null
        break
    fi
done

if [ ! -s "$tarball" ]; then
    say "making a minimal Debian 12 root (debootstrap --variant=minbase $suite, $mirror)"
    mkdir -p "$cache"
    build=$(mktemp -d "${TMPDIR:-/var/tmp}/phasemeter-debootstrap.XXXXXX")
    trap 'rm -rf --one-file-system "$build"' EXIT
    debootstrap --variant=minbase --arch="$arch" "$suite" "$build" "$mirror" \
        >"$build.log" 2>&1 || {
        tail -20 "$build.log" >&2
        say "debootstrap failed (the whole log: $build.log)" >&2
        exit 1
    }
    rm -f "$build.log"
    # The sources a Debian 12 installation has: the release, its updates and security updates.
    cat >"$build/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://deb.debian.org/debian-security $suite-security main
EOF
    chmod 755 "$build"
    rm -rf "$build"/var/cache/apt/archives/*.deb "$build"/var/lib/apt/lists/*_Packages
    tar -C "$build" --numeric-owner -czf "$tarball.part" .
    mv "$tarball.part" "$tarball"
    rm -rf --one-file-system "$build"
    trap - EXIT
fi

root=$(mktemp -d "${TMPDIR:-/var/tmp}/phasemeter-root.XXXXXX")
cleanup() {
    # Runs in this (the outer) mount namespace, where nothing is mounted under the root, so the
    # removal cannot reach the machine's own /dev or /proc.
    if [ "$keep" = yes ]; then
        say "the root is kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT
tar -C "$root" --numeric-owner -xzf "$tarball"
# mktemp makes folders private; as the root's / it must be open to the system's own users
# (man-db, _apt) like any /.
chmod 755 "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
mkdir -p "$root/src"
git archive HEAD | tar -C "$root/src" -xf -

say "running '$*' as root in a fresh Debian $(cat "$root/etc/debian_version") minbase root" \
    "($(chroot "$root" dpkg-query -f '.\n' -W | wc -l) packages), tree $(git rev-parse --short HEAD)"

status=0
unshare --mount --propagation private --pid --fork --kill-child \
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin ROOT="$root" TERM="${TERM:-dumb}" \
    bash -euo pipefail -c '
        # The root a mount of its own, as / is on a machine, so that commands inside may make
        # mount namespaces of their own (unshare --propagation needs / to be a mount point).
        mount --bind "$ROOT" "$ROOT"
        mount -t proc proc "$ROOT/proc"
        mount --rbind /sys "$ROOT/sys"
        mount --bind /dev "$ROOT/dev"
        mount --bind /dev/pts "$ROOT/dev/pts"
        mount -t tmpfs -o mode=1777 tmpfs "$ROOT/dev/shm"
        exec chroot "$ROOT" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="$TERM" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            /bin/bash -c "cd /src && exec \"\$@\"" command "$@"
    ' fresh-root "$@" || status=$?
# Nothing is printed after a command that passed, so that its own last lines end the log.
if [ "$status" -ne 0 ]; then
    say "'$*' failed with status $status" >&2
fi
exit "$status"
