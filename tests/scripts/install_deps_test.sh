#!/usr/bin/env bash
# The install script waits while another package manager holds its lock, and stops at once on any other
# failure. apt-get, dpkg-query and sudo are stand-ins that write down how they are called.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
cat >"$scratch/bin/dpkg-query" <<'STUB'
#!/bin/sh
[ "$3" = icewm ] || echo "install ok installed"
STUB
cat >"$scratch/bin/sudo" <<'STUB'
#!/bin/sh
exec "$@"
STUB
# Says the lock is held the first time each command is run, then does what $APT_RESULT says.
cat >"$scratch/bin/apt-get" <<'STUB'
#!/bin/sh
echo "$*" >>"$SCRATCH/calls"
command=$3
[ -e "$SCRATCH/$command.once" ] || {
    touch "$SCRATCH/$command.once"
    echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 1 (apt-get)" >&2
    exit 100
}
[ "$command" = update ] || [ "$APT_RESULT" = installed ] || { echo "E: Unable to locate package" >&2; exit 100; }
STUB
chmod +x "$scratch/bin"/*
install() {
    rm -f "$scratch"/*.once && : >"$scratch/calls"
    SCRATCH=$scratch APT_RESULT=$1 PATH="$scratch/bin:$PATH" "$source_dir/scripts/install-deps.sh" >"$scratch/out" 2>&1
}

if ! install installed || [ "$(grep -c 'install -y --no-install-recommends icewm$' "$scratch/calls")" -ne 2 ]; then
    echo "no install after the lock was freed:" && cat "$scratch/out" "$scratch/calls"
    exit 1
fi
if install missing || [ "$(grep -c install "$scratch/calls")" -ne 2 ]; then
    echo "a failing install is not reported once:" && cat "$scratch/out" "$scratch/calls"
    exit 1
fi
echo "The lock is waited for, other failures reported."
