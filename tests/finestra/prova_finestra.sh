#!/usr/bin/env bash
# Window tests on a private Xvfb screen (white background, so only what the program
# draws is dark).
#   prova_finestra.sh CASO ORVESA_CUSVANA PROVA_ERRORE OSSERVA_SCHERMO
# CASO:
#   attendere      the real program shows "Form1", 280 x 179, with "Attendere" in Label1
#   errore         the error box: one OK button, no icon, the text; ends on click or Return
#   schermo_perso  the display goes away while the box waits: the text goes to the terminal
#   terminale      without a display the same run works in terminal mode, same files
#   fallimento     a run-time failure of the real program (an older read-only .sim, a
#                  symlink at the lock's name): the box "orvesa_cusvana" while the message
#                  is on standard error and the folder is free; Return ends the run with
#                  status 1, the .sim untouched
#   riquadro_esecuzione  the failure box with a deep path holding "@": the text whole,
#                  folded within the screen, one OK button; it ends on a click
set -euo pipefail
[ -n "${TRACCIA:-}" ] && set -x

caso=$1
programma=$2
prova_errore=$3
osserva=$4

for strumento in Xvfb xdotool; do
  if ! command -v "$strumento" >/dev/null; then
    echo "manca $strumento (pacchetti xvfb, xdotool: scripts/prepara.sh)" >&2
    exit 1
  fi
done

# shellcheck source=../schermo_privato.sh
. "$(dirname "$0")/../schermo_privato.sh"

# A copy of the program in its own directory: it writes its files beside itself.
copia_programma() {
  mkdir -p "$1"
  cp "$programma" "$1/orvesa_cusvana"
}

scuri() {  # IMMAGINE X Y LARGHEZZA ALTEZZA
  "$osserva" scuri "$@"
}

# Runs Form1::errore (or, with "esecuzione TESTO", the failure box) in the background;
# waits until the box has described itself in $uscita.
avvia_riquadro() {  # NUMERO | esecuzione TESTO
  uscita=$lavoro/uscita_$1
  errori=$lavoro/errori_$1
  "$prova_errore" "$@" >"$uscita" 2>"$errori" &
  pid_prova=$!
  for _ in $(seq 100); do
    grep -qs '^riquadro ' "$uscita" && return
    sleep 0.1
  done
  errore "il riquadro non compare"
}

caso_attendere() {
  avvia_xvfb
  copia_programma "$lavoro/finestra"
  "$osserva" esegui "$lavoro/schermo.ppm" "$lavoro/finestra/orvesa_cusvana" \
    >"$lavoro/uscita" 2>"$lavoro/errori"
  cat "$lavoro/uscita"
  [ "$(grep -c '^finestra ' "$lavoro/uscita")" -eq 1 ] || errore "attesa una sola finestra"
  read -r _ titolo x y larghezza altezza < <(grep '^finestra ' "$lavoro/uscita")
  [ "$titolo" = '"Form1"' ] || errore "titolo $titolo"
  [ "$larghezza $altezza" = "280 179" ] || errore "area $larghezza x $altezza"

  # Label1 at (64, 64), 177 x 53: "Attendere" in bold 32 px leaves well over a
  # thousand dark pixels there. The word may run a little past the label's right edge,
  # but nothing else in the window is dark.
  local nella_label nelle_righe nella_finestra
  nella_label=$(scuri "$lavoro/schermo.ppm" $((x + 64)) $((y + 64)) 177 53)
  nelle_righe=$(scuri "$lavoro/schermo.ppm" $((x + 64)) $((y + 64)) 216 53)
  nella_finestra=$(scuri "$lavoro/schermo.ppm" "$x" "$y" 280 179)
  echo "pixel scuri: Label1 $nella_label, finestra $nella_finestra"
  [ "$nella_label" -gt 800 ] || errore "Label1 senza testo ($nella_label pixel scuri)"
  [ "$nella_finestra" -eq "$nelle_righe" ] || errore "pixel scuri lontani da Label1"
  if grep -q Attendere "$lavoro/errori"; then
    errore "con la finestra \"Attendere\" non va sul terminale"
  fi
}

caso_errore() {
  avvia_xvfb
  local numero modo
  for modo in clic invio; do
    numero=$([ "$modo" = clic ] && echo 1250 || echo 1251)
    avvia_riquadro "$numero"
    cat "$uscita"
    read -r _ titolo x y larghezza altezza modale icona < <(grep '^riquadro ' "$uscita") ||
      errore "riquadro non descritto"
    [ "$titolo" = '"orvesa_cusvana"' ] || errore "titolo $titolo"
    [ "$modale $icona" = "modale senza-icona" ] || errore "riquadro $modale $icona"
    # Exactly two widgets: the text and the OK button, neither with a picture.
    [ "$(grep -vc -e '^riquadro ' "$uscita")" -eq 2 ] || errore "attesi due elementi"
    read -r _ testo_x testo_y testo_l testo_a < <(grep '^Fl_Box " Errore n\. '"$numero"'" ' \
      "$uscita" | sed 's/^Fl_Box " Errore n\. [0-9]*"/Fl_Box/') ||
      errore "manca il testo \" Errore n. $numero\""
    read -r _ _ ok_x ok_y ok_l ok_a resto < <(grep '^Fl_Return_Button "OK" ' "$uscita") ||
      errore "manca il pulsante OK"
    [ -z "${resto:-}" ] || errore "il pulsante ha un'immagine"

    # On screen: the text is drawn, and nothing dark outside the text and the button
    # (no icon).
    local nel_testo=0 nel_pulsante nel_riquadro
    for _ in $(seq 50); do
      "$osserva" cattura "$lavoro/riquadro_$modo.ppm"
      nel_testo=$(scuri "$lavoro/riquadro_$modo.ppm" $((x + testo_x)) $((y + testo_y)) \
        "$testo_l" "$testo_a")
      [ "$nel_testo" -gt 100 ] && break
      sleep 0.1
    done
    nel_pulsante=$(scuri "$lavoro/riquadro_$modo.ppm" $((x + ok_x)) $((y + ok_y)) "$ok_l" "$ok_a")
    nel_riquadro=$(scuri "$lavoro/riquadro_$modo.ppm" "$x" "$y" "$larghezza" "$altezza")
    echo "pixel scuri: testo $nel_testo, pulsante $nel_pulsante, riquadro $nel_riquadro"
    [ "$nel_testo" -gt 100 ] || errore "testo non disegnato"
    [ "$nel_pulsante" -gt 20 ] || errore "pulsante non disegnato"
    [ "$nel_riquadro" -eq $((nel_testo + nel_pulsante)) ] ||
      errore "qualcosa di scuro fuori dal testo e dal pulsante"

    if [ "$modo" = clic ]; then
      xdotool mousemove $((x + ok_x + ok_l / 2)) $((y + ok_y + ok_a / 2)) click 1
    else
      local id
      id=$(xdotool search --sync --onlyvisible --name '^orvesa_cusvana$' | head -n1)
      xdotool windowfocus --sync "$id" key Return
    fi
    attendi_fine_prova
    grep -qx 'risposta 1' "$uscita" || errore "risposta diversa da 1"
    [ ! -s "$errori" ] || errore "testo sul terminale: $(cat "$errori")"
  done
}

caso_schermo_perso() {
  avvia_xvfb
  avvia_riquadro 1250
  kill "$pid_xvfb"
  wait "$pid_xvfb" 2>/dev/null || true
  pid_xvfb=
  attendi_fine_prova
  grep -qx 'risposta 1' "$uscita" || errore "risposta diversa da 1"
  grep -qx ' Errore n\. 1250' "$errori" || errore "testo non sul terminale"
}

caso_terminale() {
  avvia_xvfb
  copia_programma "$lavoro/finestra"
  copia_programma "$lavoro/terminale"
  "$osserva" esegui "$lavoro/schermo.ppm" "$lavoro/finestra/orvesa_cusvana" \
    >"$lavoro/uscita" 2>"$lavoro/errori_finestra"
  local stato_finestra stato_terminale=0
  stato_finestra=$(sed -n 's/^stato //p' "$lavoro/uscita")
  env -u DISPLAY "$lavoro/terminale/orvesa_cusvana" 2>"$lavoro/errori_terminale" ||
    stato_terminale=$?
  echo "stato con finestra $stato_finestra, senza display $stato_terminale"
  cat "$lavoro/errori_terminale"
  [ "$(head -n1 "$lavoro/errori_terminale")" = Attendere ] ||
    errore "\"Attendere\" non e' la prima riga sul terminale"
  [ "$stato_terminale" = "$stato_finestra" ] || errore "stati diversi"
  # The same files with the same bytes (the program itself aside).
  diff -r "$lavoro/finestra" "$lavoro/terminale" || errore "file diversi"
  # The rest of the terminal report is the window run's report.
  diff <(tail -n +2 "$lavoro/errori_terminale" | sed "s|$lavoro/terminale|DIR|g") \
    <(sed "s|$lavoro/finestra|DIR|g" "$lavoro/errori_finestra") || errore "messaggi diversi"
}

caso_fallimento() {
  avvia_xvfb
  local quale
  # An older read-only .sim stops the run at its end; a symlink at the lock's name stops
  # it before the window has been drawn.
  for quale in sim blocco; do
    local cartella=$lavoro/fallimento_$quale sim=Orvesa_Cusvana_5927.sim
    local blocco=.orvesa_cusvana.blocco atteso
    copia_programma "$cartella"
    if [ "$quale" = sim ]; then
      printf 'sim di prima' >"$cartella/$sim"
      chmod a-w "$cartella/$sim"
      atteso="$cartella/$sim: file in sola lettura"
    else
      ln -s altrove "$cartella/$blocco"
      atteso="$cartella/$blocco: "
    fi
    local errori_corsa=$lavoro/errori_fallimento_$quale
    timeout 60 "$cartella/orvesa_cusvana" 2>"$errori_corsa" &
    pid_prova=$!
    local id
    id=$(timeout 30 xdotool search --sync --onlyvisible --name '^orvesa_cusvana$' |
      head -n1) || true
    [ -n "$id" ] || errore "$quale: il riquadro non compare: $(cat "$errori_corsa")"
    [ "$(xdotool getwindowname "$id")" = orvesa_cusvana ] || errore "$quale: titolo"
    # While the box waits: the message is on standard error already, and the folder's
    # lock is free for another run.
    cat "$errori_corsa"
    grep -qF "orvesa_cusvana: $atteso" "$errori_corsa" ||
      errore "$quale: il messaggio non nomina il file e il motivo"
    if [ "$quale" = sim ] && [ -e "$cartella/$blocco" ]; then
      flock -n "$cartella/$blocco" true || errore "la cartella resta bloccata"
    fi
    kill -0 "$pid_prova" 2>/dev/null || errore "$quale: la corsa finisce senza attendere OK"
    xdotool windowfocus --sync "$id" key Return
    local stato=0
    wait "$pid_prova" || stato=$?
    pid_prova=
    [ "$stato" -eq 1 ] || errore "$quale: stato $stato invece di 1"
    if [ "$quale" = sim ]; then
      [ "$(cat "$cartella/$sim")" = "sim di prima" ] || errore "il .sim e' cambiato"
    fi
  done
}

caso_riquadro_esecuzione() {
  avvia_xvfb
  local testo
  testo="/srv/treni@casa/$(printf 'Simulatore_Treni_%s/' 1 2 3 4 5 6 7 8)Orvesa_Cusvana_5927.sim:"
  testo+=" file in sola lettura (nessun permesso di scrittura): non viene sostituito"
  avvia_riquadro esecuzione "$testo"
  cat "$uscita"
  read -r _ titolo x y larghezza altezza modale icona < <(grep '^riquadro ' "$uscita") ||
    errore "riquadro non descritto"
  [ "$titolo" = '"orvesa_cusvana"' ] || errore "titolo $titolo"
  [ "$modale" = modale ] || errore "riquadro $modale"
  [ "$(grep -vc -e '^riquadro ' "$uscita")" -eq 2 ] || errore "attesi due elementi"
  # The label: "@" doubled (drawn as itself), the lines broken after a "/" or at a blank.
  local riga_testo etichetta
  riga_testo=$(grep '^Fl_Box "' "$uscita") || errore "manca il testo"
  etichetta=$(sed 's/^Fl_Box "\(.*\)" [0-9]* [0-9]* [0-9]* [0-9]*$/\1/' <<<"$riga_testo")
  [ "$(sed -e 's|/\\n|/|g' -e 's|\\n| |g' -e 's/@@/@/g' <<<"$etichetta")" = "$testo" ] ||
    errore "testo diverso: $etichetta"
  [ "$(grep -o '\\n' <<<"$etichetta" | wc -l)" -ge 2 ] || errore "testo non ripiegato"
  read -r testo_x testo_y testo_l testo_a < <(awk '{print $(NF-3), $(NF-2), $(NF-1), $NF}' \
    <<<"$riga_testo")
  read -r _ _ ok_x ok_y ok_l ok_a < <(grep '^Fl_Return_Button "OK" ' "$uscita") ||
    errore "manca il pulsante OK"
  if [ "$x" -lt 0 ] || [ $((x + larghezza)) -gt 800 ]; then
    errore "riquadro fuori dallo schermo"
  fi
  local nel_testo=0
  for _ in $(seq 50); do
    "$osserva" cattura "$lavoro/riquadro_esecuzione.ppm"
    nel_testo=$(scuri "$lavoro/riquadro_esecuzione.ppm" $((x + testo_x)) $((y + testo_y)) \
      "$testo_l" "$testo_a")
    [ "$nel_testo" -gt 500 ] && break
    sleep 0.1
  done
  echo "pixel scuri nel testo: $nel_testo"
  [ "$nel_testo" -gt 500 ] || errore "testo non disegnato"
  xdotool mousemove $((x + ok_x + ok_l / 2)) $((y + ok_y + ok_a / 2)) click 1
  attendi_fine_prova
  grep -qx chiuso "$uscita" || errore "il riquadro non si chiude con OK"
  [ ! -s "$errori" ] || errore "testo sul terminale: $(cat "$errori")"
}

"caso_$caso"
