# shellcheck shell=bash
# Shared helpers for setup.sh; sourced, never run on its own.

step_started=0

say() { printf '==> %s\n' "$*"; }
note() { printf '    %s\n' "$*"; }
die() {
    printf 'setup: FAILED: %s\n' "$*" >&2
    exit 1
}

begin_step() {
    step_started=$(date +%s.%N)
    say "$*"
}

end_step() {
    local now
    now=$(date +%s.%N)
    note "$(awk -v a="$step_started" -v b="$now" 'BEGIN { printf "(%.1f s)", b - a }')"
}

# A new user runs this without being root; only the system-wide steps need privileges, so the
# repo's cache and engines stay owned by that user.
as_root() {
    if [[ $EUID -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        die "need root for '$*' and sudo is not installed; run this script as root once"
    fi
}

# Builds and package tools are chatty; keep their output in a log and show its tail only when
# something went wrong, so the progress lines stay readable.
run_logged() {
    local log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        die "'$*' failed (full log: $log)"
    fi
}
