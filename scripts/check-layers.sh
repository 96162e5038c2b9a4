#!/usr/bin/env bash
# Lists every include that reaches up a layer and fails when there is one. Lowest first: platform,
# foundation, audio, engine, then components and app (app may use components, never the reverse).
# tools/ are programs of their own: they may use platform/ and nothing above it, and nothing of the
# program uses them.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
    case "$1" in
    platform) echo 0 ;;
    foundation) echo 1 ;;
    audio) echo 2 ;;
    engine) echo 3 ;;
    components) echo 4 ;;
    app) echo 5 ;;
    *) echo "" ;;
    esac
}

# Whether a file of the folder $1 may include a file of the folder $2.
allowed() {
    local from=$1 to=$2
    [ "$to" != "$from" ] || return 0
    [ -n "$(rank "$to")" ] || [ "$to" = tools ] || return 0
    if [ "$from" = tools ]; then
        [ "$to" = platform ]
        return
    fi
    [ "$to" != tools ] && [ "$(rank "$to")" -le "$(rank "$from")" ]
}

# Blanks may come before and after the "#", and the name may be in quotes or angle brackets.
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]'
found=0
while IFS=: read -r file line text; do
    from=${file%%/*}
    to=$(sed -E "s/$include([a-z_]+)\/.*/\1/" <<<"$text")
    if ! allowed "$from" "$to"; then
        echo "$file:$line: $from/ includes $to/: $text"
        found=1
    fi
done < <(grep -rnsE --include='*.cpp' --include='*.h' "$include[a-z_]+/" platform foundation audio engine components app tools)

[ "$found" -eq 0 ] && echo "No include reaches up a layer."
exit "$found"
