#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one command inside a small virtual machine that has what this machine
# lacks: a real ALSA sequencer ("Midi Through"), virtual MIDI cards that come
# and go like USB keyboards, and a loopback sound card. The guest boots
# Debian's own kernel (linux-image-amd64) and sees this machine's root, read
# only, under a tmpfs it may write to: the command runs as built here.
#
#   run-in-guest.sh [--cache DIR] [--timeout SECONDS] [--module "NAME OPTIONS"]...
#                   [--env NAME=VALUE]... -- COMMAND [ARGUMENTS...]
#
# The command's output (stdout and stderr) comes out on stdout and its exit
# status is this script's. Exit status 77 (ctest's skip) with a message when
# no virtual machine can start here; 125 when the guest did not get as far as
# the command's end (the guest's console is shown then).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${QVB_GUEST_CACHE:-${TMPDIR:-/tmp}/qvb-guest-$(id -u)}
timeout=120
modules=("snd-seq-dummy" "snd-aloop")
envs=()
while [ $# -gt 0 ]; do
    case "$1" in
    --cache) cache=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --module) modules+=("$2"); shift 2 ;;
    --env) envs+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "run-in-guest: unknown option $1" >&2; exit 2 ;;
    esac
done
[ $# -gt 0 ] || { echo "run-in-guest: no command given" >&2; exit 2; }

skip() {
    echo "SKIP: no virtual machine with an ALSA sequencer here: $*"
    exit 77
}

qemu=$(command -v qemu-system-x86_64) || skip "qemu-system-x86 is not installed"
busybox=/bin/busybox
# Read whole before they are looked at: grep -q stops reading at its first
# match, and under pipefail the writer's broken pipe would count as "missing".
applets=$([ -x "$busybox" ] && "$busybox" --list 2>/dev/null)
kind=$(file -L "$busybox" 2>/dev/null)
grep -qx insmod <<< "$applets" && [[ $kind == *static* ]] || skip "busybox-static is not installed"
bios=/usr/share/qemu/qboot.rom
[ -r "$bios" ] || skip "qemu's qboot.rom is missing"
kernel_version=
for image in $(ls -v /boot/vmlinuz-*-amd64 2>/dev/null); do
    version=${image#/boot/vmlinuz-}
    [ -r "$image" ] && [ -d "/lib/modules/$version/kernel/sound" ] && kernel_version=$version
done
[ -n "$kernel_version" ] || skip "no Debian kernel (linux-image-amd64) with its modules in /boot"

mkdir -p "$cache" || skip "no room for the guest's kernel in $cache"
cache=$(cd "$cache" && pwd)
vmlinux=$cache/vmlinux-$kernel_version
initramfs=$cache/initramfs-$kernel_version.cpio

# The kernel's own ELF image boots through its PVH entry from qboot, seconds
# faster than the compressed one through a BIOS. It is the xz stream inside
# /boot/vmlinuz; made once, and by one test at a time.
prepare() {
    if [ ! -s "$vmlinux" ]; then
        local offset
        offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "/boot/vmlinuz-$kernel_version" | head -n1 | cut -d: -f1)
        [ -n "$offset" ] || return 1
        tail -c +"$((offset + 1))" "/boot/vmlinuz-$kernel_version" | xz -dc 2>/dev/null > "$vmlinux.new"
        head -c 4 "$vmlinux.new" | grep -q ELF || return 1
        mv "$vmlinux.new" "$vmlinux"
    fi
    if [ ! -s "$initramfs" ]; then
        local root
        root=$(mktemp -d "$cache/initramfs.XXXXXX") || return 1
        mkdir -p "$root/bin" "$root/modules"
        cp "$busybox" "$root/bin/busybox"
        cp "$here/guest-init.sh" "$root/init"
        chmod 755 "$root/init"
        # What it takes to reach the host's root: virtio, 9p, overlay.
        local module
        for module in virtio_pci 9pnet_virtio 9p overlay; do
            modprobe -S "$kernel_version" --show-depends "$module" | awk '$1 == "insmod" { print $2 }'
        done | awk '!seen[$0]++' | while read -r path; do
            cp "$path" "$root/modules/"
            basename "$path" >> "$root/modules/order"
        done
        (cd "$root" && find . | cpio -o -H newc --quiet) > "$initramfs.new" || return 1
        rm -rf "$root"
        mv "$initramfs.new" "$initramfs"
    fi
}
(
    flock 9
    prepare
) 9> "$cache/.lock" || skip "the guest's kernel or initramfs could not be made (xz-utils, cpio, kmod?)"

# The job lies on this machine's root, where the guest sees it (not under
# /tmp, which is the guest's own).
job_dir=$(mktemp -d "$cache/job.XXXXXX") || exit 125
trap 'rm -rf "$job_dir"' EXIT
{
    echo "export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
    echo "export HOME=/root LANG=C.UTF-8 XDG_RUNTIME_DIR=/run/user/0 QT_QPA_PLATFORM=offscreen"
    echo "mkdir -p /run/user/0 && chmod 700 /run/user/0"
    for module in "${modules[@]}"; do
        # shellcheck disable=SC2086 # a module's name and its options
        printf 'modprobe %s || echo "QVB-GUEST: modprobe %s failed"\n' "$module" "$module"
    done
    for assignment in "${envs[@]}"; do
        printf 'export %q\n' "$assignment"
    done
    printf 'cd %q || exit 125\n' "$PWD"
    printf '%q ' "$@"
    echo
} > "$job_dir/job.sh"

# KVM only where the processor itself offers it: a nested hypervisor without
# vmx/svm hangs this kernel early in its boot.
accel=(-accel tcg,tb-size=256 -cpu max)
if [ -w /dev/kvm ] && grep -qwE 'vmx|svm' /proc/cpuinfo; then
    accel=(-accel kvm -cpu host)
fi

: > "$job_dir/console.log"
: > "$job_dir/out.log"
timeout --kill-after=5 "$timeout" "$qemu" "${accel[@]}" -m 1024 -smp 1 -nodefaults -no-user-config \
    -no-reboot -display none -bios "$bios" -kernel "$vmlinux" -initrd "$initramfs" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 qvb.job=$job_dir/job.sh" \
    -serial "file:$job_dir/console.log" -serial "file:$job_dir/out.log" \
    -fsdev local,id=hostroot,path=/,readonly=on,security_model=none,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=host \
    > "$job_dir/qemu.log" 2>&1
qemu_status=$?

tr -d '\r' < "$job_dir/out.log" | grep -v '^QVB-GUEST-EXIT=' 
status=$(tr -d '\r' < "$job_dir/out.log" | sed -n 's/^QVB-GUEST-EXIT=\([0-9]*\)$/\1/p' | tail -n1)
if [ -n "$status" ]; then
    exit "$status"
fi
if [ ! -s "$job_dir/console.log" ] && [ "$qemu_status" -ne 124 ]; then
    skip "qemu did not start: $(head -c 300 "$job_dir/qemu.log")"
fi
echo "QVB-GUEST: the guest ended before the command did (qemu status $qemu_status); its console:"
tail -n 40 "$job_dir/console.log" | tr -d '\r'
exit 125
