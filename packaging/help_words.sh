# Sourced by the packaging checks: reading tq740ctl's help texts.

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Options: a dash or two and a name, at the start of a word.
options_in() { grep -oE '(^|[][ ,|=])--?[A-Za-z][A-Za-z0-9-]*' | sed -E 's/^[][ ,|=]//' | sort -u; }

# Commands: the first word of each line indented by one or two spaces (wrapped
# descriptions are indented further) in a section whose heading
# ends in "commands:" (any case).
commands_in() {
  awk 'tolower($0) ~ /commands:[[:space:]]*$/ { inside = 1; next }
       /^[^[:space:]]/ { inside = 0 }
       inside && /^  ?[a-z]/ { print $1 }' | sort -u
}

# The main help, then each command's own help appended: sets help, commands
# and all_help. $1 is the program.
read_help() {
  help=$("$1" --help) || fail "tq740ctl --help exits with $?"
  commands=$(commands_in <<<"$help")
  [ -n "$commands" ] || fail "no commands found in tq740ctl --help"
  all_help=$help
  for c in $commands; do
    all_help+=$'\n'$("$1" "$c" --help 2>&1)
  done
}
