# bash completion for pagetally-cli
_pagetally_cli()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    if [[ $prev == -j ]]; then
        COMPREPLY=($(compgen -W "1 2 4 8" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--json --csv -r -j --help --version --" -- "$cur"))
        return
    fi
    # Directories, and the files the program accepts, in any letter case.
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -d -- "$cur"))
    COMPREPLY+=($(compgen -f -- "$cur" | grep -iE '\.(doc|docx|html|json|mp3|mp4|pdf|pptx|txt|wav)$'))
}
complete -F _pagetally_cli pagetally-cli
