#!/usr/bin/env bash
# Installs what Agendix needs, builds what the package holds and makes the Debian package
# build/agendix_<version>_<architecture>.deb.
# Install it with: sudo apt install ./build/agendix_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
# cpack installs what is built and builds nothing itself.
"$top/scripts/build.sh" agendix agendix-agenda packaging_files
cd "$top/build"
cpack
