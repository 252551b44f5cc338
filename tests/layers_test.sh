#!/usr/bin/env bash
# The layers point down only: nothing in engine/ or platform/ includes a
# header of cli/ or ui/, or Qt; nothing in engine/ includes one of ui/.
#   layers_test.sh SOURCE_TREE
set -uo pipefail
tree=$(realpath "$1")
cd "$tree" || exit 1
upper=$(cd cli && ls -- *.h; cd ../ui && ls -- *.h)
failed=0 passed=0
for file in engine/*.[ch]* engine/sets/*.[ch]* platform/*.[ch]*; do
  while IFS= read -r included; do
    name=$(sed -E 's/^#include [<"]([^">]*)[">].*/\1/' <<<"$included")
    if grep -qx -F -- "$(basename "$name")" <<<"$upper" || [[ $name == Q* || $name == Qsci/* ]]; then
      echo "FAILED: $file includes $name, which is above it"; failed=$((failed + 1))
    fi
  done < <(grep -E '^#include' "$file")
  passed=$((passed + 1))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
