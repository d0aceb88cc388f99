# Shared by the tests that look at a real screen: a scratch folder, a private Xvfb screen,
# the way a case fails, and the clean-up on exit. Sourced by tests/finestra/prova_finestra.sh
# and tests/windows/prova_wine.sh, which set `caso` first; a script that has more to stop
# on exit defines chiudi_altro.

lavoro=$(mktemp -d)
pid_xvfb=
pid_prova=
fallito=0
chiudi() {
  [ -n "$pid_prova" ] && kill "$pid_prova" 2>/dev/null || true
  if declare -F chiudi_altro >/dev/null; then
    chiudi_altro
  fi
  [ -n "$pid_xvfb" ] && kill "$pid_xvfb" 2>/dev/null || true
  if [ "$fallito" -eq 0 ]; then
    rm -rf "$lavoro"
  else
    echo "immagini e file lasciati in $lavoro" >&2
  fi
}
trap chiudi EXIT

errore() {
  fallito=1
  echo "FALLITO ($caso): $*" >&2
  exit 1
}

# Waits for the error-box test program started as pid_prova to end, and wants status 0.
attendi_fine_prova() {
  for _ in $(seq 100); do
    if ! kill -0 "$pid_prova" 2>/dev/null; then
      local stato=0
      wait "$pid_prova" || stato=$?
      pid_prova=
      [ "$stato" -eq 0 ] || errore "prova_errore finita con stato $stato"
      return
    fi
    sleep 0.1
  done
  errore "il riquadro non si chiude"
}

avvia_xvfb() {
  : >"$lavoro/numero"
  Xvfb -displayfd 3 -screen 0 800x600x24 -wr -nolisten tcp -noreset \
    3>"$lavoro/numero" 2>"$lavoro/xvfb.log" &
  pid_xvfb=$!
  for _ in $(seq 100); do
    if [ -s "$lavoro/numero" ]; then
      export DISPLAY=":$(head -n1 "$lavoro/numero")"
      return
    fi
    sleep 0.1
  done
  cat "$lavoro/xvfb.log" >&2
  errore "Xvfb non si avvia"
}
