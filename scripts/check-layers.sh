#!/usr/bin/env bash
# Lists every include that reaches up a layer and fails when there is one. Lowest first: platform,
# foundation, audio, engine, then components and app (app may use components, never the reverse).
# tools/ are programs of their own: they may use platform/ and nothing above it, and nothing of the
# program uses them. X11 belongs to the windows' side: components and app. Each include is followed to the file it names, as the compiler finds it, so
# "../app/x.h" and a link into another folder count as what they are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)

declare -A rank=([platform]=0 [foundation]=1 [audio]=2 [engine]=3 [components]=4 [app]=5)

# Whether a file of the folder $1 may include a file of the folder $2.
allowed() {
    local from=$1 to=$2
    [ "$to" != "$from" ] || return 0
    [ -n "${rank[$to]:-}" ] || [ "$to" = tools ] || return 0
    if [ "$from" = tools ]; then
        [ "$to" = platform ]
        return
    fi
    [ "$to" != tools ] && [ "${rank[$to]}" -le "${rank[$from]}" ]
}

# Blanks may come before and after the "#", and the name may be in quotes or angle brackets.
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]+)[">]'

# The includes that name a file of the tree: a quoted name is looked for beside the including file
# first, then, like a name in angle brackets, from the top of the tree. Others are system headers.
found=0
sites=()
named=()
while IFS=: read -r file line text; do
    [[ $text =~ $include ]] || continue
    quote=${BASH_REMATCH[1]} name=${BASH_REMATCH[2]}
    from=${file%%/*}
    if [[ $name =~ ^(xcb|X11)/ ]] && [ "$from" != components ] && [ "$from" != app ]; then
        echo "$file:$line: $from/ includes ${name%%/*}/: $text"
        found=1
    fi
    if [ "$quote" = '"' ] && [ -f "${file%/*}/$name" ]; then
        named+=("${file%/*}/$name")
    elif [ -f "$name" ]; then
        named+=("$name")
    else
        continue
    fi
    sites+=("$file:$line:$text")
done < <(grep -rnsE --include='*.cpp' --include='*.h' "$include" \
    platform foundation audio engine components app tools)

if [ "${#named[@]}" -gt 0 ]; then
    mapfile -t real < <(realpath -- "${named[@]}")
    for index in "${!sites[@]}"; do
        IFS=: read -r file line text <<<"${sites[$index]}"
        case "${real[$index]}" in
        "$root"/*) to=${real[$index]#"$root"/} && to=${to%%/*} ;;
        *) continue ;;
        esac
        from=${file%%/*}
        if ! allowed "$from" "$to"; then
            echo "$file:$line: $from/ includes $to/: $text"
            found=1
        fi
    done
fi

[ "$found" -eq 0 ] && echo "No include reaches up a layer."
exit "$found"
