#!/usr/bin/env bash
# orvane-convert's bash completion, driven as bash drives it, and every option
# the parser knows against --help, the manual page's SYNOPSIS and OPTIONS (an
# entry of its own each), the completion and the README's synopsis.
#   documents_test.sh CONVERTER COMPLETION MANPAGE.gz PARSER_SOURCE README
set -uo pipefail
convert=$(realpath "$1") completion=$(realpath "$2") manpage=$(realpath "$3") parser=$(realpath "$4") readme=$(realpath "$5")
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

# Every option of the parser's table, spelt as there, everywhere a user looks.
COMP_WORDS=(orvane-convert -) COMP_CWORD=1 COMP_LINE='orvane-convert -' COMP_POINT=16 COMPREPLY=()
_orvane_convert orvane-convert - orvane-convert
offered=" ${COMPREPLY[*]} "
page=$(zcat "$manpage" | sed 's/\\-/-/g')
synopsis=$(sed -n '/^\.SH SYNOPSIS/,/^\.SH /p' <<<"$page")
# The lines that open an option's entry: the one after each .TP.
entries=$(awk 'after { print } { after = ($0 == ".TP") }' <<<"$page")
readme_synopsis=$(awk '/^## orvane-convert/ { section = 1 } section && /^```/ { if (inside) exit; inside = 1; next } inside' "$readme")
help=$("$convert" --help)
options=$(grep -o -E '\{"[a-z0-9-]+", (required|no)_argument' "$parser" | sed -E 's/\{"([^"]*)".*/--\1/' | sort -u)
[ "$(wc -l <<<"$options")" -ge 30 ] || { echo "FAILED: the parser's option table was not found in $parser"; exit 1; }
# A synopsis may give an option by its short name.
short_of() { case $1 in --format) echo -f ;; --delimiter) echo -d ;; --output) echo -o ;; --help) echo -h ;; *) echo "$1" ;; esac; }
for option in $options -4 -6; do
  where=()
  short=$(short_of "$option")
  grep -q -E -- "(^|[ ,])$option([ =,]|$)" <<<"$help" || where+=("--help")
  [[ $offered == *" $option "* || $offered == *" $option= "* ]] || where+=("the completion")
  grep -q -F -e "\\fB$option\\fR" -e "\\fB$short\\fR" <<<"$synopsis" || where+=("the manual page's SYNOPSIS")
  grep -q -E -- "(^|, )\\\\fB$option\\\\fR" <<<"$entries" || where+=("an OPTIONS entry of its own")
  grep -q -E -e "(\\[| |\\|)$option([] |]|$)" -e "(\\[| |\\|)$short([] |]|$)" <<<"$readme_synopsis" ||
    where+=("the README's synopsis")
  if [ ${#where[@]} -gt 0 ]; then
    echo "FAILED: $option is missing from: ${where[*]}"; failed=$((failed + 1))
  else passed=$((passed + 1)); fi
done
grep -q 'IPv4 and IPv6' <<<"$(sed -n '/^\.SH NAME/,/^\.SH /p' <<<"$page")" || { echo "FAILED: the NAME line leaves out IPv6"; failed=$((failed + 1)); }

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
