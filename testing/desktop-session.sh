#!/usr/bin/env bash
# A private headless desktop session for end-to-end tests: an Xvfb display, a session bus of its
# own, dunst as the notification service and, by choice, a notification-area host. Runs COMMAND
# inside it and ends every process it started, by PID, when COMMAND ends (or on a signal).
#
# Usage: testing/desktop-session.sh [--tray trayer|xfce4-panel|none] [--keep DIR] -- COMMAND [ARG...]
#   --tray     trayer: XEmbed system tray; xfce4-panel: one-plugin panel whose notification area
#              hosts StatusNotifierItems (and XEmbed icons); none (default): no tray host.
#   --keep     copy the session's logs (dunst, tray host) into DIR when done.
# COMMAND sees DISPLAY, DBUS_SESSION_BUS_ADDRESS, a private HOME and XDG_* directories, and
#   SESSION_DIR   a scratch directory of the session (removed afterwards)
#   SESSION_TRAY  the tray host chosen
# The exit status is COMMAND's; 125 when the session could not be set up. Wrap runs in `timeout`.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
readonly wait_seconds=15

fail() {
    echo "desktop-session: $*" >&2
    exit 125
}

# Waits until the command given succeeds, up to wait_seconds; fails with the description.
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + wait_seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || fail "gave up waiting for $what"
        sleep 0.1
    done
}

bus_has_name() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q "boolean true"
}

status_notifier_host_registered() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered | grep -q "boolean true"
}

tray_selection_owned() {
    xdotool search --classname trayer | grep -q .
}

# Second stage, run by dbus-run-session: the bus is up; start the peers, then COMMAND.
inner() {
    local pids=()
    stop_peers() {
        local pid
        for pid in "${pids[@]}"; do
            kill "$pid" 2>/dev/null || true
        done
        for pid in "${pids[@]}"; do
            wait "$pid" 2>/dev/null || true
        done
    }
    trap stop_peers EXIT
    trap 'exit 143' TERM INT

    dunst >"$SESSION_DIR/dunst.log" 2>&1 &
    pids+=($!)
    wait_for "dunst on the session bus" bus_has_name org.freedesktop.Notifications

    case "$SESSION_TRAY" in
        trayer)
            trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
                --transparent false >"$SESSION_DIR/tray.log" 2>&1 &
            pids+=($!)
            wait_for "trayer's window" tray_selection_owned
            ;;
        xfce4-panel)
            xfce4-panel --disable-wm-check >"$SESSION_DIR/tray.log" 2>&1 &
            pids+=($!)
            wait_for "a StatusNotifierItem host" status_notifier_host_registered
            ;;
        none) ;;
    esac

    local status=0
    "$@" || status=$?
    return $status
}

main() {
    local tray=none keep=""
    while [ $# -gt 0 ]; do
        case "$1" in
            --tray) tray=$2; shift 2 ;;
            --keep) keep=$2; shift 2 ;;
            --) shift; break ;;
            *) fail "unknown option $1 (usage: $0 [--tray trayer|xfce4-panel|none] [--keep DIR] -- COMMAND...)" ;;
        esac
    done
    [ $# -gt 0 ] || fail "no command given"
    case "$tray" in trayer | xfce4-panel | none) ;; *) fail "unknown tray host '$tray'" ;; esac

    SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/agendix-session.XXXXXX")
    xvfb_pid=""
    keep_dir=$keep
    cleanup() {
        [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
        if [ -n "$keep_dir" ]; then
            mkdir -p "$keep_dir"
            cp "$SESSION_DIR"/*.log "$keep_dir"/ 2>/dev/null || true
        fi
        rm -rf "$SESSION_DIR"
    }
    trap cleanup EXIT
    trap 'exit 143' TERM INT

    export HOME="$SESSION_DIR/home" XDG_RUNTIME_DIR="$SESSION_DIR/run"
    export XDG_CONFIG_HOME="$SESSION_DIR/config" XDG_DATA_HOME="$SESSION_DIR/data"
    export XDG_CACHE_HOME="$SESSION_DIR/cache" NO_AT_BRIDGE=1 SESSION_DIR SESSION_TRAY=$tray
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # The panel's settings service is started by the bus and takes the bus's environment, so its
    # configuration must be in place before the bus starts; it is there in every session, so a
    # test may also start `xfce4-panel --disable-wm-check` itself (and must end it by its PID).
    cp -r "$here/xfce4-panel-config/." "$XDG_CONFIG_HOME/"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY

    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$SESSION_DIR/display" \
        >"$SESSION_DIR/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for "the Xvfb display" grep -q . "$SESSION_DIR/display"
    export DISPLAY=":$(head -n1 "$SESSION_DIR/display")"

    local status=0
    dbus-run-session -- "$0" --inner "$@" || status=$?
    return $status
}

if [ "${1:-}" = "--inner" ]; then
    shift
    inner "$@"
else
    main "$@"
fi
