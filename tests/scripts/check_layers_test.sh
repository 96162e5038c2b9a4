#!/usr/bin/env bash
# The layer check finds an include that reaches up a layer however it is written, and passes a tree
# that keeps the layers.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{scripts,platform/sub,engine,components,app,tools/common}
cp "$source_dir/scripts/check-layers.sh" "$scratch/scripts/"
check() { "$scratch/scripts/check-layers.sh" >"$scratch/out" 2>&1; }
touch "$scratch/platform/paths.h" "$scratch/platform/sub/own.h" "$scratch/engine/batch.h" \
    "$scratch/app/form.h" "$scratch/tools/common/files.h"

# Expects the check to fail on the include, written in the file at line 2, of a file of the folder.
expect_found() {
    local file=$1 form=$2 to=$3
    printf '%b\n' "// first line" "$form" >"$scratch/$file"
    if check || ! grep -q "^$file:2: ${file%%/*}/ includes $to/" "$scratch/out"; then
        echo "missed in $file: $form" && cat "$scratch/out"
        exit 1
    fi
    rm "$scratch/$file"
}

printf '#include "platform/paths.h"\n#include "app/form.h"\n#include "form.h"\n' >"$scratch/app/form.cpp"
printf '#include "engine/batch.h"\n#include <xcb/xcb.h>\n' >"$scratch/components/window.cpp"
printf '#include "../paths.h"\n#include "own.h"\n#include <sys/stat.h>\n' >"$scratch/platform/sub/deep.cpp"
printf '#include "../../platform/paths.h"\n#include "files.h"\n' >"$scratch/tools/common/tool.cpp"
if ! check; then
    echo "a tree that keeps the layers fails the check:" && cat "$scratch/out"
    exit 1
fi

for form in '#include "app/form.h"' '  #include "app/form.h"' '#  include "app/form.h"' \
    '\t# include <app/form.h>' '#include"app/form.h"' '#include "../app/form.h"' \
    '#include "../platform/../app/form.h"'; do
    expect_found platform/up.cpp "$form" app
done
expect_found platform/sub/deep.cpp '#include "../../app/form.h"' app
# A name beside the including file that is a link into another folder.
ln -s ../app/form.h "$scratch/platform/linked.h"
expect_found platform/up.cpp '#include "linked.h"' app
rm "$scratch/platform/linked.h"

# The tools stand apart from the layers: the lowest may not use them, and they may not use the engine.
expect_found platform/across.cpp '#include "tools/common/files.h"' tools
expect_found engine/across.cpp '#include "../tools/common/files.h"' tools
expect_found tools/common/across.cpp '#include "engine/batch.h"' engine
expect_found tools/common/across.cpp '#include "../../engine/batch.h"' engine

# X11 belongs to the windows' side.
expect_found engine/x11.cpp '#include <xcb/xcb.h>' xcb
expect_found platform/x11.cpp '#include <X11/Xlib.h>' X11
echo "Every form found."
