// controlla's JSON form, one object per entry, for the front ends that put it in a larger
// object of their own (library mode adds the scenario and the train).
#pragma once

#include "compactor/controllo.h"

#include <nlohmann/json.hpp>

// An entry: file, riga, colonna, gravita, codice, nome, posizione, messaggio, testo_riga;
// a problem also cella, compattatore and in_vigore.
nlohmann::ordered_json oggetto_segnalazione(const segnalazione& s);
// The object that stands for a file's entries left out past the limit.
nlohmann::ordered_json oggetto_tagliate(const segnalazioni_tagliate& t);
