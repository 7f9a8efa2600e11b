# bash completion for pimsync: its commands, the options of each, and file names for the
# options and arguments that take them.

_pimsync() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands="sync verify demo dump history undo purge notes help"
  local notes_commands="create add-person add-todo set delete list"

  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local command=${COMP_WORDS[1]}
  local options=
  case $command in
    sync)
      options="--contacts --calendar --phone --store --mode --contact-limit --calendar-limit
               --todo-range --max-delete --force --dry-run --keep-history --keep --library
               --debug --gammu --gammu-config --gammu-section --memory --help" ;;
    verify) options="--contacts --calendar --phone --store --json --library --help" ;;
    purge)
      options="--contacts --calendar --store --yes --dry-run --todo-range --keep-history
               --library --help" ;;
    history) options="--store --help" ;;
    undo) options="--store --force --keep-history --help" ;;
    demo) options="--gammu --library --help" ;;
    dump) options="--as-phone --library --help" ;;
    help)
      ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      return ;;
    notes)
      if ((COMP_CWORD == 2)); then
        COMPREPLY=($(compgen -W "$notes_commands --help" -- "$cur"))
        return
      fi
      case ${COMP_WORDS[2]} in
        create) options="--first-note-id --help" ;;
        add-person) options="--form --modified --number --datetime --help" ;;
        add-todo)
          options="--start --end --brief --alarm --modified --number --datetime --help" ;;
        set) options="--modified --number --datetime --help" ;;
        list) options="--json --help" ;;
        *) options="--help" ;;
      esac ;;
    *) return ;;
  esac

  case $prev in
    --contacts | --calendar | --phone | --store | --library | --gammu-config)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --keep)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --mode)
      COMPREPLY=($(compgen -W "0 1 2" -- "$cur"))
      return ;;
    --memory)
      COMPREPLY=($(compgen -W "ME SM" -- "$cur"))
      return ;;
    --alarm)
      COMPREPLY=($(compgen -W "on off" -- "$cur"))
      return ;;
    --contact-limit | --calendar-limit | --todo-range | --max-delete | --keep-history | --gammu-section | \
      --first-note-id | --form | --modified | --start | --end | --brief | --number | --datetime)
      return ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}

complete -o filenames -F _pimsync pimsync
