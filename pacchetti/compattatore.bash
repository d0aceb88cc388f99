# bash completion of compattatore: its commands, each command's options, and its arguments
# by kind: folders, the scenarios and trains found in the folder given, compact files,
# SVG and HTML files. The three tables below follow the commands' definitions in
# tools/riga_di_comando.cpp (a test compares them).
_compattatore_comandi='esporta compatta controlla mostra pianta vedi osserva decompila lsp help'
# The options of a command, each value of a choice written out.
_compattatore_opzioni() {
    case $1 in
    esporta) echo '--help' ;;
    compatta) echo '--senza-linea --lavori= --help' ;;
    controlla) echo '--formato=testo --formato=json --avvisi-come-problemi --limite= --senza-linea --lavori= --help' ;;
    mostra) echo '--help' ;;
    pianta) echo '--help' ;;
    vedi) echo '--osserva --help' ;;
    osserva) echo '--help' ;;
    decompila) echo '--senza-linea --parziale --sovrascrivi --help' ;;
    lsp) echo '--limite= --help' ;;
    help) echo '--help' ;;
    esac
}
# The kinds of a command's arguments, in order; a "?" marks the optional ones: SCENARIO
# and TRENO go together, vedi's FILE.html may come without them.
_compattatore_argomenti() {
    case $1 in
    esporta) echo 'cartella' ;;
    compatta) echo 'cartella scenario? treno?' ;;
    controlla) echo 'cartella scenario? treno?' ;;
    mostra) echo 'file_compatto' ;;
    pianta) echo 'cartella scenario? treno? file_svg' ;;
    vedi) echo 'cartella scenario? treno? file_html?' ;;
    osserva) echo 'cartella scenario? treno?' ;;
    decompila) echo 'cartella scenario treno cartella?' ;;
    lsp) echo '' ;;
    help) echo 'comando?' ;;
    esac
}

# The scenarios of a folder (from its line sources), and the trains of a scenario there.
_compattatore_scenari() {
    local file
    for file in "$1"/*_linea.txt; do
        [ -e "$file" ] || continue
        file=${file##*/}
        echo "${file%_linea.txt}"
    done
}
_compattatore_treni() {
    local file
    for file in "$1/$2"_*-.txt; do
        [ -e "$file" ] || continue
        file=${file##*/$2_}
        echo "${file%-.txt}"
    done
}

_compattatore() {
    local attuale=${COMP_WORDS[COMP_CWORD]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W "$_compattatore_comandi --help --version" \
            -- "$attuale")
        return
    fi
    local comando=${COMP_WORDS[1]}
    if [[ $attuale == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_opzioni "$comando")" -- "$attuale")
        return
    fi
    # The arguments after the command, options left out; the last is being typed.
    local argomenti=() i
    for ((i = 2; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -* ]] || argomenti+=("${COMP_WORDS[i]}")
    done
    local tipi
    read -r -a tipi <<<"$(_compattatore_argomenti "$comando")"
    local tipo=${tipi[${#argomenti[@]}]:-}
    # After DIR, where SCENARIO TRENO may be left out (pianta DIR FILE.svg, vedi DIR
    # FILE.html), the next argument may also be the one after them.
    local dopo=${tipi[${#argomenti[@]} + 2]:-}
    if [ "$tipo" = 'scenario?' ] && [ "${dopo%\?}" = file_svg ]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_scenari "${argomenti[0]}")" \
                                     -- "$attuale"
                                 compgen -f -X '!*.svg' -- "$attuale")
        return
    fi
    if [ "$tipo" = 'scenario?' ] && [ "${dopo%\?}" = file_html ]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_scenari "${argomenti[0]}")" \
                                     -- "$attuale"
                                 compgen -f -X '!*.html' -- "$attuale")
        return
    fi
    case ${tipo%\?} in
    cartella) mapfile -t COMPREPLY < <(compgen -d -- "$attuale") ;;
    scenario) mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_scenari "${argomenti[0]}")" \
                                           -- "$attuale") ;;
    treno) mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_treni "${argomenti[0]}" \
                                        "${argomenti[1]}")" -- "$attuale") ;;
    file_compatto) mapfile -t COMPREPLY < <(compgen -f -X '!*.@(dat|sim)' -- "$attuale"
                                                compgen -d -- "$attuale") ;;
    file_svg) mapfile -t COMPREPLY < <(compgen -f -X '!*.svg' -- "$attuale"
                                           compgen -d -- "$attuale") ;;
    file_html) mapfile -t COMPREPLY < <(compgen -f -X '!*.html' -- "$attuale"
                                            compgen -d -- "$attuale") ;;
    comando) mapfile -t COMPREPLY < <(compgen -W "$_compattatore_comandi" -- "$attuale") ;;
    esac
} && complete -o filenames -F _compattatore compattatore
