#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says. Lists the files
# with git when this is a checkout git can read, else (no git, no .git, a checkout owned by
# another user) every C++ file of the source folders.
set -euo pipefail
cd "$(dirname "$0")/.."
if command -v git >/dev/null 2>&1 && files=$(git ls-files '*.cpp' '*.h' 2>/dev/null); then
  :
else
  files=$(find app bench src tests -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
fi
if [ -z "$files" ]; then
  echo "formatting: no C++ files found" >&2
  exit 1
fi
# shellcheck disable=SC2086
clang-format --dry-run -Werror $files
echo "formatting: $(echo "$files" | wc -w) files clean"
