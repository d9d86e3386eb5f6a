#!/usr/bin/env bash
# The logic folders (the window logic in ui/ too) include no OS or Qt header
# and the front ends make no OS call of their own: everything goes through platform/.
set -u
root=${1:-.}
cd "$root" || exit 2
status=0
os_headers='#include <(unistd|fcntl|dirent|signal|termios|spawn|langinfo|locale|windows|winioctl|shellapi)\.h>|#include <sys/|#include <linux/'
for dir in core text settings job items erase fill traces ui; do
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
# The jobs report events and leave texts and windows to the front ends: no
# catalogue or window header and no window call in them.
for dir in job items erase fill; do
  hits=$(grep -rnE '#include "(text|ui|app|win|cli)/|#include "core/window_port\.h"|\b(InsertMessage|SetStatusText|SetTitle|SetInstructionText|SetBusy|ItemRowsChanged|SendCancel)\(' \
    "$dir" --include='*.h' --include='*.cpp' | grep -vE '_test(_env)?\.cpp:' || true)
  if [ -n "$hits" ]; then
    echo "Text or window in the job folder $dir (report a job::Event instead):"; echo "$hits"; status=1
  fi
done
# fill/ and erase/ are siblings: what both use is in job/.
hits=$(grep -rnE '#include "erase/' fill --include='*.h' --include='*.cpp' || true)
hits+=$(grep -rnE '#include "fill/' erase --include='*.h' --include='*.cpp' || true)
if [ -n "$hits" ]; then
  echo "fill/ and erase/ include each other (move what both use to job/):"; echo "$hits"; status=1
fi
# The shared job pieces build on nothing above them.
hits=$(grep -rnE '#include "(erase|fill|items|settings)/' job --include='*.h' --include='*.cpp' | grep -v '_test\.cpp:' || true)
if [ -n "$hits" ]; then
  echo "job/ includes a folder that builds on it:"; echo "$hits"; status=1
fi
# The Win32 window calls Windows itself but never Qt.
hits=$(grep -rnE '#include <Q' win --include='*.h' --include='*.cpp' 2>/dev/null || true)
if [ -n "$hits" ]; then
  echo "Qt header in the Win32 window:"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo "layers are clean"
exit $status
