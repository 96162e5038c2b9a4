#!/usr/bin/env bash
# The layer check finds an include that reaches up a layer however it is written, and passes a tree
# that keeps the layers.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/scripts" "$scratch/platform" "$scratch/engine" "$scratch/app" "$scratch/tools"
cp "$source_dir/scripts/check-layers.sh" "$scratch/scripts/"
check() { "$scratch/scripts/check-layers.sh" >"$scratch/out" 2>&1; }

printf '#include "platform/paths.h"\n#include "app/form.h"\n' >"$scratch/app/form.cpp"
printf '#include "platform/temporary_name.h"\n#include <sys/stat.h>\n' >"$scratch/tools/tool.cpp"
if ! check; then
    echo "a tree that keeps the layers fails the check:" && cat "$scratch/out"
    exit 1
fi

for form in '#include "app/form.h"' '  #include "app/form.h"' '#  include "app/form.h"' \
    '\t# include <app/form.h>' '#include"app/form.h"'; do
    printf '%b\n' "// first line" "$form" >"$scratch/platform/up.cpp"
    if check || ! grep -q '^platform/up.cpp:2: platform/ includes app/' "$scratch/out"; then
        echo "missed: $form" && cat "$scratch/out"
        exit 1
    fi
done
rm "$scratch/platform/up.cpp"

# The tools stand apart from the layers: the lowest may not use them, and they may not use the engine.
for pair in 'platform tools/common/files.h' 'engine tools/common/files.h' 'tools engine/batch.h'; do
    read -r from path <<<"$pair"
    printf '#include "%s"\n' "$path" >"$scratch/$from/across.cpp"
    if check || ! grep -q "^$from/across.cpp:1: $from/ includes ${path%%/*}/" "$scratch/out"; then
        echo "missed: $from/ includes $path" && cat "$scratch/out"
        exit 1
    fi
    rm "$scratch/$from/across.cpp"
done
echo "Every form found."
