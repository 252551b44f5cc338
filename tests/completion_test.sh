#!/usr/bin/env bash
# orvane-convert's bash completion, driven as bash drives it, and the long
# options of --help against the completion and the manual page.
#   completion_test.sh CONVERTER COMPLETION MANPAGE.gz
set -uo pipefail
convert=$(realpath "$1") completion=$(realpath "$2") manpage=$(realpath "$3")
if [ ! -r /usr/share/bash-completion/bash_completion ]; then
  echo "SKIP: bash-completion is not installed (apt-get install bash-completion)"; exit 77
fi
. /usr/share/bash-completion/bash_completion
. "$completion"
compopt() { :; }  # readline's options mean nothing outside a real completion

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && touch 'my list.txt' -- '--x.txt'
failed=0 passed=0

# complete LINE EXPECTED...: the words bash hands over are LINE split at
# blanks and "=", as COMP_WORDBREAKS splits them.
complete() {
  local line=$1; shift
  local spaced=${line//=/ = }
  read -ra COMP_WORDS <<<"$spaced"
  [[ $line == *" " || $line == *= ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _orvane_convert orvane-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  local got expected
  got=$(printf '%s|' "${COMPREPLY[@]}") expected=$(printf '%s|' "$@")
  if [ "$got" = "$expected" ]; then passed=$((passed + 1))
  else echo "FAILED: '$line' completed to '$got', expected '$expected'"; failed=$((failed + 1)); fi
}

complete 'orvane-convert --format=p' prefix
complete 'orvane-convert --sort=' text address none
complete 'orvane-convert --ranges=a' addresses
complete 'orvane-convert --ranges h' hosts
complete 'orvane-convert -fp' -fprefix
complete 'orvane-convert --cou' --count
complete 'orvane-convert my' 'my list.txt'
complete 'orvane-convert --exclude my' 'my list.txt'
complete 'orvane-convert -- --' '--x.txt'
complete 'orvane-convert -d ' 

# Every long option of --help is offered and named in the manual page.
COMP_WORDS=(orvane-convert --) COMP_CWORD=1 COMP_LINE='orvane-convert --' COMP_POINT=17 COMPREPLY=()
_orvane_convert orvane-convert -- orvane-convert
offered=" ${COMPREPLY[*]} "
page=$(zcat "$manpage" | sed 's/\\-/-/g')
for option in $("$convert" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  if [[ $offered != *" $option "* && $offered != *" $option= "* ]]; then
    echo "FAILED: $option is not offered by the completion"; failed=$((failed + 1))
  elif [[ $page != *"$option"* ]]; then
    echo "FAILED: $option is not named in the manual page"; failed=$((failed + 1))
  else passed=$((passed + 1)); fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
