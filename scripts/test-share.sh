#!/usr/bin/env bash
# Prints the non-blank lines of code per top-level folder and the share the tests take
# of all of them. Code means C++, C, shell, Python and CMake files tracked by git;
# READMEs, data files and fuzz corpora are not counted.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files -z | grep -zE '\.(cpp|h|hpp|c|sh|py|cmake)$|(^|/)CMakeLists\.txt$|^\.ci/run$' |
  xargs -0 grep -c -v '^[[:space:]]*$' |
  awk -F: '
    { folder = ($1 ~ /\//) ? substr($1, 1, index($1, "/") - 1) : "."
      lines[folder] += $2; total += $2; if (folder == "tests") tests += $2 }
    END {
      for (f in lines) printf "%-16s %6d\n", f, lines[f] | "sort"
      close("sort")
      printf "%-16s %6d\n%-16s %6d\n", "tests", tests, "everything else", total - tests
      printf "test share       %5.1f %%\n", 100 * tests / total
    }'
