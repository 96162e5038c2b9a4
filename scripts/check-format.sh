#!/usr/bin/env bash
# Fails when a C++ source differs from the project's clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang-format
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
