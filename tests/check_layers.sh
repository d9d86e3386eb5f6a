#!/usr/bin/env bash
# The logic folders (the window logic in ui/ too) include no OS or Qt header
# and the front ends make no OS call of their own: everything goes through platform/.
set -u
root=${1:-.}
cd "$root" || exit 2
status=0
os_headers='#include <(unistd|fcntl|dirent|signal|termios|spawn|langinfo|locale|windows|winioctl|shellapi)\.h>|#include <sys/|#include <linux/'
for dir in core text settings items erase fill traces ui; do
  hits=$(grep -rnE "$os_headers|#include <Q" "$dir" --include='*.h' --include='*.cpp' | grep -v '_test\.cpp:' || true)
  if [ -n "$hits" ]; then
    echo "OS or Qt header in the logic folder $dir:"; echo "$hits"; status=1
  fi
done
for dir in app cli; do
  [ -d "$dir" ] || continue
  hits=$(grep -rnE "$os_headers" "$dir" --include='*.h' --include='*.cpp' | grep -v '_test\.cpp:' || true)
  if [ -n "$hits" ]; then
    echo "OS header in the front end $dir (use platform/):"; echo "$hits"; status=1
  fi
done
# The Win32 window calls Windows itself but never Qt.
hits=$(grep -rnE '#include <Q' win --include='*.h' --include='*.cpp' 2>/dev/null || true)
if [ -n "$hits" ]; then
  echo "Qt header in the Win32 window:"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo "layers are clean"
exit $status
