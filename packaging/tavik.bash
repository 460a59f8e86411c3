# bash completion for tavik: the commands, then the options each command's help lists.
_tavik() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local commands="monitor analyse listen setup scan report generate"
    if [ "$COMP_CWORD" -eq 1 ]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help --version --start --enable-alarms --log-folder --recordings --metrics --evidence --evidence-max-mb" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur") $(compgen -f -X '!*.tvk' -- "$cur"))
        fi
        return
    fi
    local command=${COMP_WORDS[1]}
    if [[ $cur == -* ]] && [[ " $commands " == *" $command "* ]]; then
        local options
        options=$("${COMP_WORDS[0]}" "$command" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
}
complete -F _tavik tavik
