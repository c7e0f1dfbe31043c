#!/usr/bin/env bash
# Installs what Agendix needs, builds it and runs its main job: today's agenda from the default calendar.
# Arguments are passed on to agendix-agenda (for example --tomorrow or --calendar PATH).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
exec "$top/build/scan/agendix-agenda" "$@"
