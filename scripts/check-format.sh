#!/usr/bin/env bash
# Fails when a C++ source differs from the project's clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends clang-format
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
