#!/usr/bin/env bash
# Every #include in src/ runs to the including file's own layer or one below it, by the table of layers in
# cmake/Layers.cmake (the same table the configuration checks the link lines with).
set -euo pipefail
root=$1
declare -A rank
level=0
while IFS= read -r row; do
    for folder in $row; do rank[$folder]=$level; done
    level=$((level + 1))
done < <(sed -n '/^set(VEXLIN_LAYERS/,/^)/p' "$root/cmake/Layers.cmake" | grep -o '^ *"[^"]*"' | tr -d '"')
((${#rank[@]} > 0)) || { echo "no layers read from cmake/Layers.cmake"; exit 1; }

status=0
cd "$root/src"
while IFS= read -r file; do
    from=${file%%/*}
    [[ -n ${rank[$from]+x} ]] || { echo "src/$from has no layer in cmake/Layers.cmake"; status=1; continue; }
    while IFS= read -r include; do
        to=${include%%/*}
        [[ -n ${rank[$to]+x} ]] || continue # a system or third-party header
        if ((rank[$to] > rank[$from])); then
            echo "src/$file includes $include: layer ${rank[$to]} ($to) above layer ${rank[$from]} ($from)"
            status=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)
exit $status
