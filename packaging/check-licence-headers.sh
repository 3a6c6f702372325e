#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of the project names its licence in its first lines, and every Files:
# pattern of the copyright file matches files of the tree.
# check-licence-headers.sh SOURCE_DIR
set -euo pipefail
cd "$1"
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "not a git checkout: nothing to list"
  exit 0
fi
missing=0
while IFS= read -r f; do
  case "$f" in
    *.cpp | *.h | *.py | *.sh | *.cmake | CMakeLists.txt | */CMakeLists.txt) ;;
    tools/* | .ci/*) head -n 1 "$f" | grep -q '^#!' || continue ;;
    *) continue ;;
  esac
  if ! head -n 3 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "no SPDX licence line: $f"
    missing=1
  fi
done < <(git ls-files)

# The patterns of a Files: field (continued on indented lines), one a line.
patterns=$(awk '/^Files:/ { sub(/^Files:[ \t]*/, ""); on = 1; print; next }
                on && /^[ \t]/ { print; next } { on = 0 }' packaging/copyright | tr ' \t' '\n\n' |
           grep -v '^$')
while IFS= read -r pattern; do
  # A plain git pathspec matches as the copyright format does: * and ? also match a slash.
  if [ -z "$(git ls-files -- "$pattern" | head -1)" ]; then
    echo "packaging/copyright: Files: $pattern matches no file of the source tree"
    missing=1
  fi
done <<<"$patterns"
exit $missing
