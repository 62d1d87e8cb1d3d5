#!/bin/busybox sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The guest's first process, from the initramfs: loads what reaches the host's
# root, lays a tmpfs over it so that the guest may write, and runs the job the
# host wrote (its path is on the kernel command line) inside that root. The
# job's output goes to the second serial line, its exit status last of all.
/bin/busybox mkdir -p /proc /sys /dev /lower /upper /root
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t sysfs sysfs /sys
/bin/busybox mount -t devtmpfs devtmpfs /dev
for module in $(/bin/busybox cat /modules/order); do
    /bin/busybox insmod "/modules/$module" 2>/dev/null
done
job=
for word in $(/bin/busybox cat /proc/cmdline); do
    case "$word" in qvb.job=*) job="${word#qvb.job=}" ;; esac
done
out=/dev/ttyS1
/bin/busybox stty -F "$out" raw -echo 2>/dev/null
say() { echo "$*" > "$out"; }
halt() { /bin/busybox poweroff -f; }
/bin/busybox mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro host /lower ||
    { say "QVB-GUEST: the host's root cannot be mounted"; say "QVB-GUEST-EXIT=125"; halt; }
/bin/busybox mount -t tmpfs -o size=512m tmpfs /upper
/bin/busybox mkdir -p /upper/data /upper/work
/bin/busybox mount -t overlay -o lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work overlay /root ||
    { say "QVB-GUEST: no overlay over the host's root"; say "QVB-GUEST-EXIT=125"; halt; }
/bin/busybox mount --move /dev /root/dev
/bin/busybox mount -t proc proc /root/proc
/bin/busybox mount -t sysfs sysfs /root/sys
/bin/busybox chroot /root /bin/sh -c "
    mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run; mkdir -p /dev/shm /dev/pts
    mount -t tmpfs tmpfs /dev/shm; mount -t devpts devpts /dev/pts
    hostname qvb-guest; ip link set lo up 2>/dev/null
    /bin/sh '$job' > $out 2>&1 < /dev/null; echo QVB-GUEST-EXIT=\$? > $out"
halt
