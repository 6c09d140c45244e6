# bash completion for kinsheet-batch: commands, options, formats, living
# modes, field numbers and files by extension.
_kinsheet_batch() {
  local cur prev words cword
  _init_completion -s || return

  local commands="counters export browse dateyear"
  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local command=${words[1]}
  case $prev in
    --format)
      COMPREPLY=($(compgen -W "csv txt xls xlsx mdb mdb95 sqlite" -- "$cur"))
      return ;;
    --living)
      COMPREPLY=($(compgen -W "include private exclude" -- "$cur"))
      return ;;
    --fields)
      # A comma-separated list: complete the number after the last comma.
      local done="" last=$cur
      if [[ $cur == *,* ]]; then
        done=${cur%,*},
        last=${cur##*,}
      fi
      local n numbers="all"
      [[ -n $done ]] && numbers=""
      for n in {0..27}; do numbers+=" $n"; done
      COMPREPLY=($(compgen -P "$done" -W "$numbers" -- "$last"))
      compopt -o nospace
      return ;;
    --living-years|--from)
      return ;;
  esac

  if [[ $cur == -* ]]; then
    local options="--help"
    case $command in
      counters) options+=" --literal" ;;
      export) options+=" --format --fields --living --living-years --csv-bom --csv-guard --force --quiet --literal --timings" ;;
      browse) options+=" --from --literal" ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  case $command in
    counters|browse)
      _filedir '@(ged|GED)' ;;
    export)
      # The first file is the GEDCOM input, the second the output.
      local i files=0
      for ((i = 2; i < cword; i++)); do
        case ${words[i]} in
          --format|--fields|--living|--living-years) ((i++)) ;;
          -?*) ;;
          *) ((files++)) ;;
        esac
      done
      if [[ $files -eq 0 ]]; then
        _filedir '@(ged|GED)'
      else
        _filedir '@(csv|txt|xls|xlsx|mdb|sqlite|sqlite3|db)'
      fi ;;
  esac
} &&
  complete -F _kinsheet_batch kinsheet-batch
