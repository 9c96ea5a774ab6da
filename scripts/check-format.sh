#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ -z "$files" ]; then exit 0; fi
clang-format --dry-run -Werror $files
echo "formatting: $(echo "$files" | wc -w) files clean"
