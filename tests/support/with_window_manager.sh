#!/bin/sh
# Runs a test program on an X display of its own with a window manager (Openbox): only a
# window manager makes a shown window full screen and tells the program so, and other
# tests on the shared display must not get one.
#   with_window_manager.sh PROGRAM [ARGUMENTS...]
set -u
if [ -z "${KV_OWN_WINDOW_MANAGER:-}" ]; then
  KV_OWN_WINDOW_MANAGER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
# Ready once it has named itself on the root window.
tries=0
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ]; then
    echo "with_window_manager.sh: Openbox did not start" >&2
    break
  fi
  sleep 0.1
done
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit "$status"
