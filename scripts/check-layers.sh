#!/bin/bash
# Prints the includes in src/ that run against the layers (see src/README.md): an
# include from a lower layer into a higher one, and two folders that include each
# other. Prints nothing when the layers hold.
cd "$(dirname "$0")/.."
rank() { case $1 in core/store) echo 0;; core/*) echo 1;; ui) echo 2;; common) echo 3;; question) echo 4;;
  practice|exam|outline|authoring|progress|update|help|gather|review) echo 5;; app) echo 6;; *) echo 9;; esac; }
folder() { local p=${1#src/}; case $p in core/*) echo "$(echo $p | cut -d/ -f1-2)";; *) echo "${p%%/*}";; esac; }
declare -A seen
for f in $(git ls-files 'src/*.cpp' 'src/*.h'; git ls-files --others --exclude-standard 'src/*.cpp' 'src/*.h'); do
  d=$(folder $f)
  for inc in $(grep -o '#include "[a-z/]*/[A-Za-z0-9_]*\.h"' $f | sed 's/#include "//; s/"//'); do
    t=$(folder "src/$inc"); [ "$t" = "$d" ] && continue
    seen["$d>$t"]=1
    rd=$(rank $d); rt=$(rank $t)
    if [ "$rt" -gt "$rd" ]; then echo "UPWARD $f -> $inc"; fi
  done
done
for k in "${!seen[@]}"; do a=${k%%>*}; b=${k##*>}; [ -n "${seen[$b>$a]}" ] && [[ "$a" < "$b" ]] && echo "CIRCLE $a <-> $b"; done
exit 0
