// One line a client sent, taken apart as IEEE 488.2 and SCPI 1999 define it: program
// message units separated by ";", each a header and its parameters. A header without
// a leading ":" continues the path of the unit before it ("MEAS:FREQ? (@0);PER? (@0)"
// asks MEASure:PERiod? the second time); common commands ("*IDN?") leave the path
// alone. Quoted strings and channel lists may hold ";" and ",". Nothing is matched
// against commands here: that is the CommandTable's job.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scpi/ScpiError.h"

namespace tqv::scpi {

// The longest program mnemonic IEEE 488.2 allows.
inline constexpr std::size_t MaxMnemonicLength = 12;

struct ProgramUnit {
    // "*IDN?": one mnemonic, no path.
    bool common = false;
    bool query = false;
    // The whole path, upper case: {"MEASURE", "FREQ"} for "Measure:freq?" after ":".
    std::vector<std::string> mnemonics;
    // How many of them came from the unit before (0 for a header from the root).
    std::size_t inherited = 0;
    // Each parameter as written, blanks around it removed.
    std::vector<std::string> parameters;
    // The header as the client wrote it, for error details.
    std::string header;
};

struct ProgramMessage {
    std::vector<ProgramUnit> units;
    // Where the line could not be taken apart: the units before it stand, the rest of
    // the line is discarded.
    std::optional<Error> error;
};

ProgramMessage parseProgramMessage(std::string_view line);

}  // namespace tqv::scpi
