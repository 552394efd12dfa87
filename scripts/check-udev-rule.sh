#!/usr/bin/env bash
# Checks that udev reads data/udev/60-phasemeter.rules (or the rule file named as the argument)
# without a parse error; exits 1 on one, 2 when the check cannot run.
#
# Where udevadm has `verify` it does the check. Older udevadm (Debian 12 has 252) only has
# `udevadm test`, which reads rules from the system folders alone and, as a side effect, writes
# the device database in /run/udev and the permissions and links of the device node in /dev. So
# it runs in a mount namespace of its own, in which /run and /dev are empty tmpfs and
# /etc/udev/rules.d is a temporary folder holding only the rule. Nothing on the machine changes:
# the mounts go away with the namespace, the temporary folder is removed on exit. Needs root, or
# unprivileged user namespaces, and the packages udev and util-linux.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rule=$(realpath "${1:-$here/data/udev/60-phasemeter.rules}")
name=$(basename "$rule")

for tool in udevadm unshare; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-udev-rule: $tool not found (apt-get install udev util-linux)" >&2
        exit 2
    fi
done
if [[ ! -r $rule ]]; then
    echo "check-udev-rule: cannot read $rule" >&2
    exit 2
fi

if udevadm verify --help >/dev/null 2>&1; then
    if udevadm verify "$rule"; then
        echo "check-udev-rule: $name: no parse error"
        exit 0
    fi
    echo "check-udev-rule: $name: udevadm verify failed" >&2
    exit 1
fi

if [[ ! -d /etc/udev/rules.d ]]; then
    echo "check-udev-rule: /etc/udev/rules.d is missing (is udev installed?)" >&2
    exit 2
fi
# The rules are parsed before any is matched, so any device will do; these exist nearly everywhere.
device=
for candidate in /sys/class/tty/tty0 /sys/class/tty/ptmx /sys/class/tty/console; do
    if [[ -e $candidate ]]; then
        device=$candidate
        break
    fi
done
if [[ -z $device ]]; then
    echo "check-udev-rule: no tty under /sys/class/tty to run udevadm test on" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/rules"
cp "$rule" "$work/rules/"

namespace=(unshare --mount --propagation private)
if [[ $(id -u) -ne 0 ]]; then
    namespace+=(--map-root-user)
fi
# mount -n: no note of the mounts in /run/mount on the machine's own /run.
inner='mount -n -t tmpfs tmpfs /run && mount -n -t tmpfs tmpfs /dev &&
       mount -n --bind "$1" /etc/udev/rules.d && udevadm test --action=add "$2"'
if ! "${namespace[@]}" sh -c "$inner" sh "$work/rules" "$device" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "check-udev-rule: udevadm test did not run" >&2
    exit 2
fi

target="/etc/udev/rules.d/$name"
if ! grep -qxF "Reading rules file: $target" "$work/log"; then
    cat "$work/log" >&2
    echo "check-udev-rule: udevadm test never read $name" >&2
    exit 2
fi
# udev reports a fault in a rule as "<file>:<line> <what is wrong>".
if grep -E "^${target//./\\.}:[0-9]+ " "$work/log" >&2; then
    echo "check-udev-rule: $name: parse errors above" >&2
    exit 1
fi
echo "check-udev-rule: $name: read by udevadm test $(udevadm --version), no parse error"
