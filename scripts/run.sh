#!/usr/bin/env bash
# Installs what Agendix needs, builds the program alone (scripts/test.sh builds the tests) and
# runs it. On a desktop it starts the tray program.
# Without a display it starts it inside a headless desktop (Xvfb, a session bus, a tray host and
# a notification service) with a demonstration calendar, and prints what the balloon showed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" agendix
program="$top/build/app/agendix"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi
exec timeout --kill-after=10 60 "$top/testing/desktop-session.sh" --tray trayer -- \
    "$top/scripts/demo.sh" "$program"
