#!/usr/bin/env bash
# The layer check finds an include that reaches up a layer however it is written, and passes a tree
# that keeps the layers.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/scripts" "$scratch/platform" "$scratch/app"
cp "$source_dir/scripts/check-layers.sh" "$scratch/scripts/"
check() { "$scratch/scripts/check-layers.sh" >"$scratch/out" 2>&1; }

printf '#include "platform/paths.h"\n#include "app/form.h"\n' >"$scratch/app/form.cpp"
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
echo "Every form found."
