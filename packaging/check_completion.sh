#!/usr/bin/env bash
# Checks the bash completion of tq740ctl against the program itself, so that
# the two cannot drift apart:
#  - every command and option that `tq740ctl --help` (and each command's
#    --help) lists is known to the completion, and the completion offers no
#    option that the help does not list;
#  - completing really works: commands, a command's own options, serial
#    device paths after --port (also as --port=), and nothing after --sim-orders.
# Usage: check_completion.sh PATH/TO/tq740ctl PATH/TO/tq740ctl.bash
set -uo pipefail
ctl=$1
completion=$2
failures=0
. "$(dirname "$0")/help_words.sh"
read_help "$ctl"
help_commands=$commands
help_options=$(options_in <<<"$all_help")

# The completion's lists are its variable assignments.
# shellcheck disable=SC1090
source "$completion"
completion_commands=$(tr ' ' '\n' <<<"$_tq740ctl_commands" | sort -u)
completion_options=$(grep -E '^_tq740ctl_options_[a-z]+=' "$completion" | cut -d= -f2- | tr -d '"' | options_in)

for c in $help_commands; do
  grep -qx -- "$c" <<<"$completion_commands" || fail "command $c is missing from the completion"
done
for o in $help_options; do
  grep -qx -- "$o" <<<"$completion_options" || fail "option $o is missing from the completion"
done
for o in $completion_options; do
  grep -qx -- "$o" <<<"$help_options" || fail "the completion offers $o, which tq740ctl --help does not list"
done

# Runs the completion function on a command line whose last word is being
# completed; the answer is one word a line.
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _tq740ctl
  printf '%s\n' "${COMPREPLY[@]}"
}
expect_words() {  # description, expected (sorted, one a line), actual
  [ "$2" = "$(sort <<<"$3")" ] || fail "$1: expected [$(echo $2)], got [$(echo $3)]"
}

expect_words "commands" "$completion_commands" "$(complete_line tq740ctl '')"
expect_words "commands after an option" "$completion_commands" "$(complete_line tq740ctl --port /dev/ttyUSB0 '')"
got=$(complete_line tq740ctl write --port = /dev/x -)
grep -qx -- --verify <<<"$got" && ! grep -qx -- -o <<<"$got" ||
  fail "write's options: expected --verify and no -o, got [$(echo $got)]"
grep -qx -- -o <<<"$(complete_line tq740ctl read -)" || fail "read's options lack -o"
[ -z "$(complete_line tq740ctl read --sim-orders '')" ] || fail "--sim-orders completes something"
for line in "read --port /dev/tty" "read --port = /dev/tty"; do
  read -r -a words <<<"tq740ctl $line"
  got=$(complete_line "${words[@]}")
  [ -n "$got" ] || fail "$line: no device offered"
  bad=$(grep -vE '^/dev/(tty|serial/)' <<<"$got" | grep -v '^$')
  [ -z "$bad" ] || fail "$line: not a serial device: $bad"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "completion matches tq740ctl --help: $(wc -w <<<"$help_commands") commands, $(wc -w <<<"$help_options") options"
