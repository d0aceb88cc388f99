// The command line's own checks: the error of a wrong command line, and the names that
// may stand for a scenario or a train.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// A wrong command line: the message goes to standard error with the usage, status 64.
class errore_uso : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws errore_uso unless `nome` can stand in a file name inside the scenario directory
// and in the single-byte compact files: printable ASCII only, no "/" or "\", no "..",
// not empty and not beginning with "-". `ruolo` names the argument in the message.
void controlla_nome(std::string_view ruolo, const std::string& nome);
