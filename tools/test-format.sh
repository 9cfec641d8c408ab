#!/usr/bin/env bash
# Every C++ file as .clang-format lays it out; lists the ones that differ.
set -u
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is missing"; echo "0 passed, 1 failed"; exit 1; }
passed=0
failed=0
while IFS= read -r file; do
    if clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        passed=$((passed + 1))
    else
        echo "not formatted: $file (clang-format -i $file)"
        failed=$((failed + 1))
    fi
done < <(git ls-files '*.cpp' '*.h')
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
