# bash completion for gridbloom-cli                                  -*- shell-script -*-

# Adds to COMPREPLY the directories and the files whose name matches the extended pattern $1
# (any case) that start with $cur.
_gridbloom_cli_files() {
    local IFS=$'\n' pattern=$1
    compopt -o filenames 2>/dev/null
    COMPREPLY+=($(compgen -d -- "$cur"))
    COMPREPLY+=($(shopt -s extglob nocasematch
        compgen -f -- "$cur" | while IFS= read -r f; do
            [[ ! -d $f && $f == $pattern ]] && printf '%s\n' "$f"
        done))
    return 0
}

# Completes the value of option $1 from $cur; fails when $1 takes no value.
_gridbloom_cli_value() {
    case $1 in
        -o|--output) _gridbloom_cli_files '*.@(rle|lif|txt)'; [[ -z $cur ]] && COMPREPLY+=(-) ;;
        --png) _gridbloom_cli_files '*.png' ;;
        --gif) _gridbloom_cli_files '*.gif' ;;
        --stats) _gridbloom_cli_files '*.csv'; [[ -z $cur ]] && COMPREPLY+=(-) ;;
        --as) COMPREPLY=($(compgen -W 'rle lif txt' -- "$cur")) ;;
        --until) COMPREPLY=($(compgen -W 'settled' -- "$cur")) ;;
        -s|--size) COMPREPLY=($(compgen -W '1200x1200 2000x2000 5000x5000' -- "$cur")) ;;
        -r|--rule) COMPREPLY=($(compgen -W '23/3 B3/S23 23/36 B36/S23' -- "$cur")) ;;
        -g|--generations|--every|--max-period|--cell|--live|--back|--delay) ;;
        *) return 1 ;;
    esac
    return 0
}

_gridbloom_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev= prefix=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()

    # "--opt=value" is one word, or three ("--opt" "=" "value") when "=" breaks words.
    if [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        prefix=$prev=
        cur=${cur#*=}
    elif [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD >= 2)); then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi

    if _gridbloom_cli_value "$prev"; then
        [[ -n $prefix ]] && COMPREPLY=("${COMPREPLY[@]/#/$prefix}")
        return 0
    fi

    # The first operand is the command; options may come before it.
    local i word command= dashes= skip=
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == = ]]; then skip=1; continue; fi
        if [[ -n $skip ]]; then skip=; continue; fi
        if [[ -z $dashes ]]; then
            case $word in
                --) dashes=1; continue ;;
                -) ;;
                -g|--generations|-r|--rule|-s|--size|-o|--output|--as|--every|--stats|--until|\
                --max-period|--png|--gif|--cell|--live|--back|--delay) skip=1; continue ;;
                -*) continue ;;
            esac
        fi
        [[ -z $command ]] && command=$word
    done

    if [[ $cur == -* && -z $dashes ]]; then
        COMPREPLY=($(compgen -W '-g --generations -r --rule -s --size -o --output --as --life106
            --yes -v --verbose --every --stats --until --max-period --png --gif --cell --crop --live --back
            --delay --json --help --version' -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W 'run info' -- "$cur"))
    else
        _gridbloom_cli_files '*.@(rle|lif|txt|text|cells)'
    fi
    return 0
}

complete -F _gridbloom_cli gridbloom-cli
