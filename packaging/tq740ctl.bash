# bash completion for tq740ctl: its commands, each command's options, serial
# device paths after --port and file names where a file is expected.
#
# The lists below are checked against `tq740ctl --help` by a test
# (packaging/check_completion.sh); keep one list per line as it is.

_tq740ctl_commands="firmware read write diff timing ports"
_tq740ctl_options_common="--port --simulate --sim-orders --trace --force --help --version"
_tq740ctl_options_read="-o"
_tq740ctl_options_write="--verify --dry-run"
_tq740ctl_options_ports="--help --version"

# Serial devices: stable USB names first, then the kernel's tty devices that
# are not virtual consoles. Anything else (a pseudo-terminal, a by-path
# name) completes as a file name.
_tq740ctl_devices() {
  local d
  local -a devs=()
  for d in /dev/serial/by-id/* /dev/tty[A-Za-z]*; do
    [[ -e $d ]] && devs+=("$d")
  done
  COMPREPLY=($(compgen -W "${devs[*]}" -- "$1"))
  if [[ ${#COMPREPLY[@]} -eq 0 ]]; then
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$1"))
  fi
}

_tq740ctl_files() {
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -f -- "$1"))
}

_tq740ctl() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--port=PATH": bash splits the word at "=".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  case $prev in
    --port)
      _tq740ctl_devices "$cur"
      return
      ;;
    -o | --trace)
      _tq740ctl_files "$cur"
      return
      ;;
    --sim-orders)
      return
      ;;
  esac

  # The command is the first word that is neither an option nor its value.
  local cmd= i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --port | --trace | -o | --sim-orders)
        if [[ ${COMP_WORDS[i + 1]} == = ]]; then ((i += 2)); else ((i++)); fi
        ;;
      -*) ;;
      *)
        cmd=${COMP_WORDS[i]}
        break
        ;;
    esac
  done

  if [[ $cur == -* ]]; then
    local options=$_tq740ctl_options_common
    case $cmd in
      read) options+=" $_tq740ctl_options_read" ;;
      write) options+=" $_tq740ctl_options_write" ;;
      ports) options=$_tq740ctl_options_ports ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  elif [[ -z $cmd ]]; then
    COMPREPLY=($(compgen -W "$_tq740ctl_commands" -- "$cur"))
  elif [[ $cmd == write || $cmd == diff || $cmd == timing ]]; then
    _tq740ctl_files "$cur"
  fi
}

complete -F _tq740ctl tq740ctl
