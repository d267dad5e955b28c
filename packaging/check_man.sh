#!/usr/bin/env bash
# Checks tq740ctl's manual page against the program: its commands and
# options are written by hand in packaging/man/tq740ctl.h2m.in (help2man
# would flatten the write options into the command list), so a command or
# option added to the program but not to the page fails here.
#  - every command of `tq740ctl --help` has an entry of its own;
#  - every option of `tq740ctl --help` and of each command's --help is
#    listed exactly once as an option entry;
#  - the sections EXIT STATUS, EXAMPLES and FILES are there.
# Usage: check_man.sh PATH/TO/tq740ctl PATH/TO/tq740ctl.1.gz
set -uo pipefail
ctl=$1
page=$(zcat "$2") || { echo "FAIL: cannot read $2"; exit 1; }
failures=0
. "$(dirname "$0")/help_words.sh"
read_help "$ctl"

# The tag of every .TP entry, with roff's font changes and escapes removed.
tags=$(awk 'tp { print; tp = 0 } /^\.TP/ { tp = 1 }' <<<"$page" |
  sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/^\.[BI]R? //; s/"//g')

for c in $commands; do
  grep -qE "^$c( |$)" <<<"$tags" || fail "command $c has no entry in the manual page"
done
# Option entries: tags that start with the option itself ("-o, --output FILE").
option_tags=$(grep -E '^-' <<<"$tags" | grep -oE '(^|, )--?[A-Za-z][A-Za-z0-9-]*' | sed -E 's/^, //')
for o in $(options_in <<<"$all_help"); do
  n=$(grep -cxF -- "$o" <<<"$option_tags")
  [ "$n" = 1 ] || fail "option $o is listed $n times in the manual page, not once"
done
for section in "EXIT STATUS" EXAMPLES FILES; do
  grep -qE "^\.SH \"?$section\"?$" <<<"$page" || fail "section $section is missing"
done

[ "$failures" = 0 ] && echo "manual page of tq740ctl: every command and option, EXIT STATUS, EXAMPLES, FILES"
exit $((failures > 0))
