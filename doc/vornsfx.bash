# bash completion for vornsfx: commands, each command's options, the values of
# the options that take a fixed set of words, and file names where a file or
# folder is expected. Needs nothing beyond bash itself.

_vornsfx() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="build pack list test extract unwrap"
    local when="off offered chosen offered,chosen"
    local pack_options="--method --effort -j --threads -q --quiet -n --no-clobber"

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands -h --help -V --version" -- "$cur"))
        return
    fi

    # A word joined to its option's value ("--effort=b") completes the value.
    local option=$prev
    if [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        cur=${cur#*=}
    elif [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = && $COMP_CWORD -ge 3 ]]; then
        option=${COMP_WORDS[COMP_CWORD-2]}
    fi

    case $option in
        --method) COMPREPLY=($(compgen -W "-lh5- -lh6- -lh7-" -- "$cur")); return ;;
        --effort) COMPREPLY=($(compgen -W "fast normal best" -- "$cur")); return ;;
        --base) COMPREPLY=($(compgen -W "cwd program-files" -- "$cur")); return ;;
        --start-menu | --desktop | --send-to)
            COMPREPLY=($(compgen -W "$when" -- "$cur")); return ;;
        -C | --directory)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur")); return ;;
        -o | --output | --stub)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -j | --threads | --title | --dest | --shortcut-target | --shortcut-name | --run-after)
            return ;;  # free text: nothing to offer
    esac

    if [[ $cur == -* ]]; then
        local options="-h --help"
        case ${COMP_WORDS[1]} in
            build) options+=" -o --output --title --dest --base --shortcut-target --shortcut-name
                --start-menu --desktop --send-to --run-after --no-dialog --stub --no-verify --strict
                $pack_options" ;;
            pack) options+=" -o --output $pack_options" ;;
            list) options+=" --json -q --quiet --strict" ;;
            test) options+=" -q --quiet -v --verbose --strict" ;;
            extract) options+=" -C --directory" ;;
            unwrap) options+=" -o --output" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -F _vornsfx vornsfx
