#!/bin/sh
# Registers the stand-in server in the tests' Wine prefix, then starts COM's RPC service, which
# the first COM call of a fresh prefix would otherwise wait up to 10 seconds for.
# Usage: register.sh WINE64 REG_FILE
"$1" reg import "$2" || exit 1
"$1" net start rpcss >/dev/null 2>&1 || true  # "already running" is no failure
