#!/usr/bin/env bash
# The Windows programs under Wine, beside the Linux ones, on a private Xvfb screen.
#   prova_wine.sh CASO CARTELLA_WINDOWS ORVESA_CUSVANA COMPATTATORE OSSERVA_SCHERMO
# CARTELLA_WINDOWS is the Windows build (make windows); the Wine prefix goes in it.
# CASO:
#   corsa         orvesa_cusvana.exe in a fresh folder leaves the same six files, byte for
#                 byte, as the Linux program, and the same exit status
#   sola_lettura  an older read-only notes file stops both programs at that writer
#   strumento     compattatore.exe esporta, compatta (clean, a problem, a failed header
#                 check), mostra and pianta print and write what the Linux tool does
#   attendere     the "Form1" window, 280 x 179, with "Attendere" in Label1
#   errore        a failed header check shows the box: " Errore n. 1250", one OK button,
#                 no icon; it ends on a click on OK or on Return
#   fallimento    a run-time failure is shown in the box "orvesa_cusvana": the text (a
#                 folder name that is not ASCII), the error icon and one OK button; and
#                 orvesa_cusvana.exe started as Explorer starts it, with an older read-only
#                 .sim, shows it and ends with status 1 once OK is pressed
#   osserva       compattatore.exe osserva sees sources saved from the Linux side, in place
#                 and by rename, and ends with status 0 on Ctrl-C
# Exit status 77 (skipped) when Wine or the Windows build is missing or Wine cannot start.
set -euo pipefail
[ -n "${TRACCIA:-}" ] && set -x

caso=$1
windows=$2
linux_programma=$3
linux_strumento=$4
osserva=$5

salta() {
  echo "SALTATO ($caso): $*"
  exit 77
}

for file in orvesa_cusvana.exe compattatore.exe tests/windows/prova_errore.exe; do
  [ -f "$windows/$file" ] || salta "manca $windows/$file: prima make windows"
done
command -v wine >/dev/null || salta "manca wine (pacchetto wine64: scripts/prepara.sh)"
for strumento in Xvfb xdotool; do
  command -v "$strumento" >/dev/null || salta "manca $strumento (scripts/prepara.sh)"
done

export WINEPREFIX=$windows/wine
# No dialogs offering Wine's Mono and Gecko add-ons in a new prefix; no debug chatter.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
wine_=$(command -v wine)

# shellcheck source=../schermo_privato.sh
. "$(dirname "$0")/../schermo_privato.sh"
# The prefix's own server and its processes, which outlive the programs for a while.
chiudi_altro() {
  wineserver -k 2>/dev/null || true
}

# The prefix is made once, by the first test that needs it; a Wine that cannot make it
# cannot run the programs either.
prepara_prefisso() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creazione del prefisso Wine in $WINEPREFIX"
    # The registry reaches the disk when the Wine server ends: wait for it before looking.
    if ! wineboot -i >"$lavoro/wineboot.log" 2>&1 || ! wineserver -w ||
       [ ! -f "$WINEPREFIX/system.reg" ]; then
      tail -n 20 "$lavoro/wineboot.log"
      salta "Wine non riesce a creare il prefisso"
    fi
  fi
  if ! "$wine_" cmd /c exit 0 >"$lavoro/prova_wine.log" 2>&1; then
    tail -n 20 "$lavoro/prova_wine.log"
    salta "Wine non riesce ad avviare un programma"
  fi
}

# A copy of a program in its own folder: the one-shot program writes beside itself.
copia() {  # PROGRAMMA CARTELLA
  mkdir -p "$2"
  cp "$1" "$2/"
}

scuri() {  # IMMAGINE X Y LARGHEZZA ALTEZZA
  "$osserva" scuri "$@"
}

# What a program printed, paths aside: "\" between names as "/", lines without CR.
normalizza() {
  tr '\\' '/' <"$1" | sed 's/\r$//'
}

caso_corsa() {
  avvia_xvfb
  prepara_prefisso
  copia "$windows/orvesa_cusvana.exe" "$lavoro/windows"
  copia "$linux_programma" "$lavoro/linux"
  local stato_windows=0 stato_linux=0
  (cd / && "$wine_" "$lavoro/windows/orvesa_cusvana.exe") >"$lavoro/uscita_windows" \
    2>"$lavoro/errori_windows" || stato_windows=$?
  (cd / && env -u DISPLAY "$lavoro/linux/orvesa_cusvana") 2>"$lavoro/errori_linux" ||
    stato_linux=$?
  echo "stato Windows $stato_windows, Linux $stato_linux"
  [ "$stato_windows" -eq 0 ] || errore "stato $stato_windows: $(cat "$lavoro/errori_windows")"
  [ "$stato_linux" -eq 0 ] || errore "Linux: stato $stato_linux"
  [ ! -s "$lavoro/errori_windows" ] || errore "messaggi: $(cat "$lavoro/errori_windows")"
  rm "$lavoro/windows/orvesa_cusvana.exe" "$lavoro/linux/orvesa_cusvana"
  ls "$lavoro/windows"
  [ "$(find "$lavoro/windows" -type f | wc -l)" -eq 6 ] || errore "attesi sei file"
  diff -r "$lavoro/linux" "$lavoro/windows" || errore "file diversi da quelli di Linux"
  # A second run over the files of the first replaces them with the same bytes.
  cp -r "$lavoro/windows" "$lavoro/prima"
  cp "$windows/orvesa_cusvana.exe" "$lavoro/windows/"
  (cd / && "$wine_" "$lavoro/windows/orvesa_cusvana.exe") 2>"$lavoro/errori_windows" ||
    errore "seconda corsa: $(cat "$lavoro/errori_windows")"
  rm "$lavoro/windows/orvesa_cusvana.exe"
  diff -r "$lavoro/prima" "$lavoro/windows" || errore "la seconda corsa cambia i file"
}

caso_sola_lettura() {
  avvia_xvfb
  prepara_prefisso
  local note=Orvesa_Cusvana_5927_note.txt
  for piattaforma in windows linux; do
    local cartella=$lavoro/$piattaforma stato=0
    if [ "$piattaforma" = windows ]; then
      copia "$windows/orvesa_cusvana.exe" "$cartella"
    else
      copia "$linux_programma" "$cartella"
    fi
    printf 'note di prima\r\n' >"$cartella/$note"
    # Without write permission Wine gives the file the read-only attribute.
    chmod a-w "$cartella/$note"
    if [ "$piattaforma" = windows ]; then
      # The failure is shown in a box too, which waits for OK.
      (cd / && "$wine_" "$cartella/orvesa_cusvana.exe") 2>"$lavoro/errori_$piattaforma" &
      pid_prova=$!
      premi_ok
      wait "$pid_prova" || stato=$?
      pid_prova=
    else
      (cd / && env -u DISPLAY "$cartella/orvesa_cusvana") 2>"$lavoro/errori_$piattaforma" ||
        stato=$?
    fi
    echo "$piattaforma: stato $stato, $(cat "$lavoro/errori_$piattaforma")"
    [ "$stato" -eq 1 ] || errore "$piattaforma: stato $stato invece di 1"
    grep -q "$note: file in sola lettura" "$lavoro/errori_$piattaforma" ||
      errore "$piattaforma: il messaggio non nomina il file"
    [ "$(cat "$cartella/$note")" = "$(printf 'note di prima\r')" ] ||
      errore "$piattaforma: il file in sola lettura e' cambiato"
    # The two sources came before it; the writers after it did not run.
    ls -A "$cartella" | grep -v '^orvesa_cusvana' | sort >"$lavoro/elenco_$piattaforma"
    printf '%s\n' Orvesa_Cusvana_5927-.txt "$note" Orvesa_Cusvana_linea.txt |
      diff - "$lavoro/elenco_$piattaforma" || errore "$piattaforma: file diversi dagli attesi"
  done
}

# Runs one command of both tools in their own folders under $lavoro, from that folder,
# and compares what they print, their exit statuses and (for a folder) what they wrote.
confronta() {  # NOME STATO_ATTESO COMANDO ARGOMENTI...
  local nome=$1 atteso=$2
  shift 2
  local stato_windows=0 stato_linux=0
  (cd "$lavoro/windows" && "$wine_" "$windows/compattatore.exe" "$@") \
    >"$lavoro/$nome.uscita_windows" 2>"$lavoro/$nome.errori_windows" || stato_windows=$?
  (cd "$lavoro/linux" && env -u DISPLAY "$linux_strumento" "$@") \
    >"$lavoro/$nome.uscita_linux" 2>"$lavoro/$nome.errori_linux" || stato_linux=$?
  echo "$nome: stato Windows $stato_windows, Linux $stato_linux"
  [ "$stato_linux" -eq "$atteso" ] ||
    errore "$nome: Linux con stato $stato_linux, atteso $atteso"
  [ "$stato_windows" -eq "$stato_linux" ] || errore "$nome: stati diversi"
  local flusso
  for flusso in uscita errori; do
    diff <(normalizza "$lavoro/$nome.${flusso}_linux") \
      <(normalizza "$lavoro/$nome.${flusso}_windows") || errore "$nome: $flusso diverse"
  done
  diff -r "$lavoro/linux" "$lavoro/windows" || errore "$nome: file diversi"
}

caso_strumento() {
  avvia_xvfb
  prepara_prefisso
  mkdir -p "$lavoro/windows" "$lavoro/linux"
  local treno=prova/Orvesa_Cusvana_5927-.txt
  local segnale='segnale,    4500,   1, 4, 0,  0, 0,    0,  0,0,0, 0'
  confronta esporta 0 esporta prova
  confronta compatta 0 compatta prova Orvesa_Cusvana 5927
  confronta mostra_celle 0 mostra prova/Orvesa_Cusvana_5927.dat
  confronta mostra_voci 0 mostra prova/Orvesa_Cusvana_5927.sim
  confronta mostra_piano 0 mostra prova/Orvesa_Cusvana_linea.dat
  confronta pianta 0 pianta prova Orvesa_Cusvana 5927 prova/pianta.svg
  [ -s "$lavoro/windows/prova/pianta.svg" ] || errore "pianta.svg vuoto"
  # A signal moved onto a taken cell: status 3 and the row in the message.
  sed -i "s/$segnale/$segnale\r\n$segnale/" "$lavoro/windows/$treno" "$lavoro/linux/$treno"
  confronta compatta_problema 3 compatta prova Orvesa_Cusvana 5927
  grep -q 'problema 16 a 4500 m' "$lavoro/compatta_problema.errori_windows" ||
    errore "problema 16 non riportato"
  # A point in cell 1: the header check fails, status 2, no compact file.
  rm "$lavoro/windows/prova/"*.dat "$lavoro/windows/prova/"*.sim
  rm "$lavoro/linux/prova/"*.dat "$lavoro/linux/prova/"*.sim
  sed -i "0,/^segnale,/s//abbattimento,   50,   5\r\nsegnale,/" \
    "$lavoro/windows/$treno" "$lavoro/linux/$treno"
  confronta compatta_intestazione 2 compatta prova Orvesa_Cusvana 5927
  grep -q 'Errore n. 1250' "$lavoro/compatta_intestazione.errori_windows" ||
    errore "errore 1250 non riportato"
  confronta versione 0 --version
}

caso_attendere() {
  avvia_xvfb
  prepara_prefisso
  copia "$windows/orvesa_cusvana.exe" "$lavoro/finestra"
  "$osserva" esegui "$lavoro/schermo.ppm" "$wine_" "$lavoro/finestra/orvesa_cusvana.exe" \
    >"$lavoro/uscita" 2>"$lavoro/errori"
  cat "$lavoro/uscita"
  grep -qx 'stato 0' "$lavoro/uscita" || errore "stato diverso da 0"
  [ "$(grep -c '^finestra "Form1" ' "$lavoro/uscita")" -eq 1 ] || errore "attesa una finestra Form1"
  read -r _ _ x y larghezza altezza < <(grep '^finestra "Form1" ' "$lavoro/uscita")
  [ "$larghezza $altezza" = "280 179" ] || errore "area $larghezza x $altezza"

  # Label1 at (64, 64), 177 x 53: "Attendere" in bold 24 pt leaves well over a thousand
  # dark pixels there, and nothing else in the window is dark.
  local nella_label nella_finestra
  nella_label=$(scuri "$lavoro/schermo.ppm" $((x + 64)) $((y + 64)) 177 53)
  nella_finestra=$(scuri "$lavoro/schermo.ppm" "$x" "$y" 280 179)
  echo "pixel scuri: Label1 $nella_label, finestra $nella_finestra"
  [ "$nella_label" -gt 800 ] || errore "Label1 senza testo ($nella_label pixel scuri)"
  [ "$nella_finestra" -eq "$nella_label" ] || errore "pixel scuri fuori da Label1"
  # The run went on to its end behind the window.
  [ "$(find "$lavoro/finestra" -name '*.dat' | wc -l)" -eq 2 ] || errore "file compatti mancanti"
}

# Presses OK (Return) in the box "orvesa_cusvana" that the program started as pid_prova
# shows; the box must come within 60 seconds.
premi_ok() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name '^orvesa_cusvana$' | head -n1) ||
    true
  [ -n "$id" ] || errore "il riquadro non compare"
  kill -0 "$pid_prova" 2>/dev/null || errore "il programma finisce senza attendere OK"
  xdotool windowfocus --sync "$id" key Return
}

# Runs the error-box program in its own folder in the background; waits until the box
# has described itself in $uscita.
avvia_riquadro() {  # NOME [ARGOMENTI...]
  local cartella=$lavoro/$1
  copia "$windows/tests/windows/prova_errore.exe" "$cartella"
  uscita=$lavoro/uscita_$1
  errori=$lavoro/errori_$1
  "$wine_" "$cartella/prova_errore.exe" "${@:2}" >"$uscita" 2>"$errori" &
  pid_prova=$!
  for _ in $(seq 300); do
    grep -qs -e '^riquadro ' -e '^nessun riquadro' -e '^controllo' "$uscita" && break
    sleep 0.1
  done
  grep -qs '^riquadro ' "$uscita" || errore "il riquadro non compare: $(cat "$uscita" "$errori")"
}

caso_errore() {
  avvia_xvfb
  prepara_prefisso
  local modo
  for modo in clic invio; do
    avvia_riquadro "$modo"
    # A console program of Windows ends its lines with CR LF.
    tr -d '\r' <"$uscita" >"$uscita.txt"
    cat "$uscita.txt"
    read -r _ titolo x y larghezza altezza < <(grep '^riquadro ' "$uscita.txt")
    [ "$titolo" = '"orvesa_cusvana"' ] || errore "titolo $titolo"
    # Exactly two visible controls: the text and the OK button; no picture.
    [ "$(grep -vc -e '^riquadro ' "$uscita.txt")" -eq 2 ] || errore "attesi due controlli"
    ! grep -q ' icona$' "$uscita.txt" || errore "il riquadro ha un'icona"
    read -r _ testo_x testo_y testo_l testo_a < <(grep '^Static " Errore n\. 1250" ' "$uscita.txt" |
      sed 's/^Static " Errore n\. 1250"/Static/') || errore "manca il testo \" Errore n. 1250\""
    read -r _ _ ok_x ok_y ok_l ok_a < <(grep '^Button "OK" ' "$uscita.txt") ||
      errore "manca il pulsante OK"

    # On screen: the text is drawn, and nothing dark in the box outside the text and the
    # button.
    local nel_testo=0 nel_pulsante nel_riquadro
    for _ in $(seq 50); do
      "$osserva" cattura "$lavoro/riquadro_$modo.ppm"
      nel_testo=$(scuri "$lavoro/riquadro_$modo.ppm" "$testo_x" "$testo_y" "$testo_l" "$testo_a")
      [ "$nel_testo" -gt 50 ] && break
      sleep 0.1
    done
    nel_pulsante=$(scuri "$lavoro/riquadro_$modo.ppm" "$ok_x" "$ok_y" "$ok_l" "$ok_a")
    nel_riquadro=$(scuri "$lavoro/riquadro_$modo.ppm" "$x" "$y" "$larghezza" "$altezza")
    echo "pixel scuri: testo $nel_testo, pulsante $nel_pulsante, riquadro $nel_riquadro"
    [ "$nel_testo" -gt 50 ] || errore "testo non disegnato"
    [ "$nel_pulsante" -gt 20 ] || errore "pulsante non disegnato"
    [ "$nel_riquadro" -eq $((nel_testo + nel_pulsante)) ] ||
      errore "qualcosa di scuro fuori dal testo e dal pulsante"

    if [ "$modo" = clic ]; then
      xdotool mousemove $((ok_x + ok_l / 2)) $((ok_y + ok_a / 2)) click 1
    else
      local id
      id=$(xdotool search --sync --onlyvisible --name '^orvesa_cusvana$' | head -n1)
      xdotool windowfocus --sync "$id" key Return
    fi
    attendi_fine_prova
    tr -d '\r' <"$uscita" | grep -qx 'risposta 1' || errore "risposta diversa da 1"
    # The check failed before any compact file was written.
    ! ls "$lavoro/$modo" | grep -q -e '\.dat$' -e '\.sim$' || errore "file compatti scritti"
  done
}

caso_fallimento() {
  avvia_xvfb
  prepara_prefisso
  # The box as the program shows it, described from inside.
  avvia_riquadro esecuzione esecuzione
  tr -d '\r' <"$uscita" >"$uscita.txt"
  cat "$uscita.txt"
  read -r _ titolo _ < <(grep '^riquadro ' "$uscita.txt")
  [ "$titolo" = '"orvesa_cusvana"' ] || errore "titolo $titolo"
  # The text, the icon and the OK button.
  [ "$(grep -vc -e '^riquadro ' "$uscita.txt")" -eq 3 ] || errore "attesi tre controlli"
  grep -q '^Static ".*\\esecuzione\\Città\\Orvesa_Cusvana_5927\.sim: file in sola lettura" ' \
    "$uscita.txt" || errore "testo diverso"
  grep -q '^Static "" .* icona$' "$uscita.txt" || errore "manca l'icona d'errore"
  grep -q '^Button "OK" ' "$uscita.txt" || errore "manca il pulsante OK"
  premi_ok
  attendi_fine_prova
  tr -d '\r' <"$uscita" | grep -qx chiuso || errore "il riquadro non si chiude con OK"

  # The real program, started as Explorer starts it (no console, no standard error);
  # start /wait ends with the program's status.
  local cartella=$lavoro/esplora sim=Orvesa_Cusvana_5927.sim stato=0
  copia "$windows/orvesa_cusvana.exe" "$cartella"
  printf 'sim di prima' >"$cartella/$sim"
  chmod a-w "$cartella/$sim"
  (cd / && timeout 120 "$wine_" start /wait /unix "$cartella/orvesa_cusvana.exe") \
    >"$lavoro/uscita_esplora" 2>&1 &
  pid_prova=$!
  premi_ok
  wait "$pid_prova" || stato=$?
  pid_prova=
  echo "stato $stato"
  [ "$stato" -eq 1 ] || errore "stato $stato invece di 1: $(cat "$lavoro/uscita_esplora")"
  [ "$(cat "$cartella/$sim")" = "sim di prima" ] || errore "il .sim e' cambiato"
  [ -f "$cartella/Orvesa_Cusvana_5927_note.txt" ] || errore "la corsa non e' arrivata al .sim"
}

# compattatore.exe osserva, with the sources saved from the Linux side: saved in place and by
# rename, the compact files are replaced within a second with the problem printed, and
# Ctrl-C (SIGINT, which Wine turns into the console's Ctrl-C) ends it with status 0.
caso_osserva() {
  avvia_xvfb
  prepara_prefisso
  local qui=$lavoro/osserva treno=Orvesa_Cusvana_5927-.txt celle=Orvesa_Cusvana_5927.dat
  mkdir -p "$qui"
  cd "$qui"
  "$linux_strumento" esporta p >/dev/null
  "$linux_strumento" compatta p Orvesa_Cusvana 5927 >/dev/null
  cp -r p rif
  sed -i '78s/segnale,    5250,/segnale,     800,/' rif/$treno
  "$linux_strumento" compatta rif Orvesa_Cusvana 5927 >/dev/null 2>&1 || true
  cmp -s p/$celle rif/$celle && errore "la modifica non cambia le celle"
  cp p/$treno originale.txt
  cp p/$celle celle_originali.dat
  "$wine_" "$windows/compattatore.exe" osserva p >uscita 2>errori &
  local pid=$! i
  for ((i = 0; i < 300; i++)); do
    grep -q 'in osservazione' errori && break
    sleep 0.1
  done
  grep -q 'in osservazione' errori || errore "osserva non parte: $(cat errori)"
  entro_un_secondo() {  # FILE ATTESO
    local j
    for ((j = 0; j < 20; j++)); do
      cmp -s "$1" "$2" && return 0
      sleep 0.05
    done
    return 1
  }
  cat rif/$treno >p/$treno  # in place
  entro_un_secondo p/$celle rif/$celle || errore "salvataggio sul posto: celle non rifatte"
  sleep 0.3
  grep -q 'problema 16 a 800 m' errori || errore "problema 16 non riportato: $(cat errori)"
  cp originale.txt p/.nuovo
  mv p/.nuovo p/$treno  # by rename
  entro_un_secondo p/$celle celle_originali.dat || errore "salvataggio per rinomina: celle non rifatte"
  sleep 0.5
  kill -INT $pid
  local stato=0
  wait $pid || stato=$?
  [ "$stato" -eq 0 ] || errore "Ctrl-C: stato $stato"
  echo "osserva sotto Wine: $(grep -c '] compatta ' uscita) compattazioni, stato $stato"
}

"caso_$caso"
