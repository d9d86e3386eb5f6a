# Sourced by the shell tests. check DESCRIPTION COMMAND... runs the command,
# prints ok/FAILED, and counts failures in $failures; use_work_dir and
# mount_tmpfs give a test its own files and, as root, its own small volume.
failures=0
# script -c runs its command with $SHELL, /bin/sh when unset (as under CI),
# and the tests quote for bash.
export SHELL=/bin/bash
# Root's tools (useradd, losetup, mkfs) also where PATH leaves out sbin.
case ":$PATH:" in *:/usr/sbin:*) ;; *) PATH=$PATH:/usr/sbin:/sbin ;; esac
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# A new folder $work for the test, with the tool's settings file in it; on
# exit the tmpfs of mount_tmpfs and the loop devices of loop_image.sh are
# released and the folder removed.
use_work_dir() {
  work=$(mktemp -d)
  mnt=
  trap release_work_dir EXIT
  export TARNWELL_SETTINGS="$work/settings.ini"
}
release_work_dir() {
  if declare -F loop_cleanup >/dev/null; then loop_cleanup; fi
  [ -n "$mnt" ] && umount "$mnt" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}

# As root, mounts a tmpfs of SIZE (as mount's size=) at $work/mnt and sets
# $mnt; fails without changing anything elsewhere.
mount_tmpfs() {
  [ "$(id -u)" -eq 0 ] && mkdir "$work/mnt" && mount -t tmpfs -o size="$1" tmpfs "$work/mnt" &&
    mnt=$work/mnt
}
