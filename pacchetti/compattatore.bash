# bash completion of compattatore: its commands, the options of compatta and controlla, folders where a
# folder goes, the scenarios and trains found in that folder, compact files for mostra,
# SVG files for pianta; for decompila the scenarios and trains of the compact files.
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
# The scenarios and trains of a folder's compact files (SCENARIO_TRENO.sim).
_compattatore_scenari_compatti() {
    local file
    for file in "$1"/*_*.sim; do
        [ -e "$file" ] || continue
        file=${file##*/}
        echo "${file%_*.sim}"
    done
}
_compattatore_treni_compatti() {
    local file
    for file in "$1/$2"_*.sim; do
        [ -e "$file" ] || continue
        file=${file##*/$2_}
        echo "${file%.sim}"
    done
}
# DIR SCENARIO TRENO, the first three arguments of compatta, controlla and pianta; it
# reads _compattatore's posizione, argomenti and attuale.
_compattatore_cartella_scenario_treno() {
    case $posizione in
    0) mapfile -t COMPREPLY < <(compgen -d -- "$attuale") ;;
    1) mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_scenari "${argomenti[0]}")" \
                                    -- "$attuale") ;;
    2) mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_treni "${argomenti[0]}" \
                                    "${argomenti[1]}")" -- "$attuale") ;;
    esac
}

_compattatore() {
    local attuale=${COMP_WORDS[COMP_CWORD]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W 'esporta compatta controlla mostra pianta decompila --help --version' \
            -- "$attuale")
        return
    fi
    local comando=${COMP_WORDS[1]}
    # The arguments after the command, options left out; the last is being typed.
    local argomenti=() i
    for ((i = 2; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -* ]] || argomenti+=("${COMP_WORDS[i]}")
    done
    local posizione=${#argomenti[@]}
    case $comando in
    esporta)
        [ "$posizione" -eq 0 ] && mapfile -t COMPREPLY < <(compgen -d -- "$attuale")
        ;;
    compatta | controlla)
        if [[ $attuale == -* ]]; then
            local opzioni='--senza-linea'
            [ "$comando" = controlla ] &&
                opzioni='--formato=testo --formato=json --avvisi-come-problemi'
            mapfile -t COMPREPLY < <(compgen -W "$opzioni" -- "$attuale")
        else
            _compattatore_cartella_scenario_treno
        fi
        ;;
    mostra)
        if [ "$posizione" -eq 0 ]; then
            mapfile -t COMPREPLY < <(compgen -f -X '!*.@(dat|sim)' -- "$attuale"
                                     compgen -d -- "$attuale")
        fi
        ;;
    pianta)
        if [ "$posizione" -eq 3 ]; then
            mapfile -t COMPREPLY < <(compgen -f -X '!*.svg' -- "$attuale"
                                     compgen -d -- "$attuale")
        else
            _compattatore_cartella_scenario_treno
        fi
        ;;
    decompila)
        if [[ $attuale == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--senza-linea --parziale --sovrascrivi' \
                                     -- "$attuale")
        elif [ "$posizione" -eq 1 ]; then
            mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_scenari_compatti \
                                     "${argomenti[0]}")" -- "$attuale")
        elif [ "$posizione" -eq 2 ]; then
            mapfile -t COMPREPLY < <(compgen -W "$(_compattatore_treni_compatti \
                                     "${argomenti[0]}" "${argomenti[1]}")" -- "$attuale")
        elif [ "$posizione" -eq 0 ] || [ "$posizione" -eq 3 ]; then
            mapfile -t COMPREPLY < <(compgen -d -- "$attuale")
        fi
        ;;
    esac
} && complete -o filenames -F _compattatore compattatore
