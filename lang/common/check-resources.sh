#!/usr/bin/env bash
# Checks what the language modules carry, read natively with wrestool (icoutils), so that
# the Windows-side test and the build cannot agree on a mistake.
#   check-resources.sh PROMPT_TABLE MODULE.dll=LANGID...
# LANGID: the language tag of the module's texts, menus and version (1033, 1036).
set -euo pipefail
table=$1
shift
command -v wrestool >/dev/null || { echo "check-resources: wrestool is missing (make deps)" >&2; exit 1; }

# String blocks holding texts 1..801: block n carries ids 16(n-1)..16n-1.
string_blocks="1 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23
  26 27 28 29 30 31 32 33 34 35 36 37 38 41 42 43 44 45 46 47 48 49 50 51"

expected_inventory() {  # language
  for block in $string_blocks; do echo "6 $block $1"; done
  echo "4 24002 $1"
  echo "4 24003 $1"
  echo "16 1 $1"
  while IFS=$'\t' read -r id sound tag _; do
    [[ -z $id || $id == \#* ]] && continue
    case $tag in neutral) lang=0 ;; french) lang=1036 ;; *) lang=unknown ;; esac
    echo "WAVE $id $lang"
  done <"$table"
}

# "type name language" per resource, from lines such as
#   --type='WAVE' --name=24022 --language=0 [offset=0x2e0a0 size=126502]
inventory() {  # module
  wrestool -l "$1" | sed -E "s/^--type='?([^' ]+)'? --name='?([^' ]+)'? --language=([0-9]+).*/\1 \2 \3/" | sort
}

# The ids of the non-empty texts: each string block holds 16 counted UTF-16 strings.
text_ids() {  # module
  for block in $string_blocks; do
    { wrestool -x --raw --type=6 --name="$block" "$1" || true; } | od -An -tu2 -v |
      awk -v first=$(((block - 1) * 16)) '
        { for (i = 1; i <= NF; i++) word[n++] = $i }
        END { for (at = 0; entry < 16 && at < n; entry++) {
                if (word[at] > 0) print first + entry
                at += 1 + word[at] } }'
  done
}

silent_prompts() {
  awk -F'\t' '$2 == "silent" {print $1}' "$table"
}

status=0
fail() { echo "check-resources: $*"; status=1; }

first_ids=
for arg in "$@"; do
  module=${arg%=*}
  language=${arg##*=}
  name=$(basename "$module")
  [ -f "$module" ] || { fail "$name: no such module"; continue; }

  actual=$(inventory "$module")
  wanted=$(expected_inventory "$language" | sort)
  if [ "$actual" != "$wanted" ]; then
    fail "$name: resources differ from the table"
    diff <(echo "$wanted") <(echo "$actual") | sed -n 's/^< /  missing: /p; s/^> /  unexpected: /p'
  fi

  for id in $(silent_prompts); do
    size=$(wrestool -l --type=WAVE --name="$id" "$module" | sed -nE 's/.*size=([0-9]+).*/\1/p')
    [ "$size" = 58 ] || fail "$name: silent prompt $id is ${size:-absent} bytes, not 58"
  done
  for id in $(awk -F'\t' '$2 == "speech" || $2 == "chime" {print $1}' "$table"); do
    header=$({ wrestool -x --raw --type=WAVE --name="$id" "$module" || true; } | head -c 12 | od -An -tx1 | tr -d ' \n')
    [[ $header == 52494646????????57415645 ]] || fail "$name: prompt $id is not a RIFF WAVE file"
  done

  texts=$(text_ids "$module")
  count=$(echo "$texts" | grep -c .)
  [ "$count" = 453 ] || fail "$name: $count texts, not 453"

  ids=$(echo "$actual" | cut -d' ' -f1-2; echo "$texts")
  if [ -z "$first_ids" ]; then
    first_ids=$ids
  elif [ "$ids" != "$first_ids" ]; then
    fail "$name: resource ids differ from those of the first module"
  fi
  [ $status -eq 0 ] && echo "$name: $(echo "$actual" | wc -l) resources and $count texts as expected"
done
exit $status
