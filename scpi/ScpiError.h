// The standard error codes and texts an instrument reports through SYSTem:ERRor?, the
// numbers every SCPI client already knows: -1xx a command the parser could not take,
// -2xx one that could not be carried out, -3xx a fault of the device, -4xx a query.
#pragma once

#include <string>
#include <string_view>

namespace tqv::scpi {

enum class ErrorCode {
    NoError = 0,
    CommandError = -100,
    InvalidCharacter = -101,
    SyntaxError = -102,
    InvalidSeparator = -103,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    HeaderSeparatorError = -111,
    ProgramMnemonicTooLong = -112,
    UndefinedHeader = -113,
    NumericDataError = -120,
    InvalidCharacterInNumber = -121,
    CharacterDataError = -140,
    InvalidCharacterData = -141,
    StringDataError = -150,
    InvalidStringData = -151,
    ExecutionError = -200,
    InitIgnored = -213,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    HardwareError = -240,
    MassStorageError = -250,
    FileNameError = -257,
    DeviceSpecificError = -300,
    QueueOverflow = -350,
    QueryError = -400,
};

// "Undefined header", "Data out of range", ...
std::string_view errorText(ErrorCode code);

// An error as the queue holds it: the code, and what went wrong in this case, if
// anything is worth adding to the standard text ("StartIntr failed, error code -7").
struct Error {
    ErrorCode code = ErrorCode::NoError;
    std::string detail;
    bool operator==(const Error&) const = default;
};

// The answer to SYSTem:ERRor?: `-113,"Undefined header"`, with the detail after a
// semicolon inside the quotes (`-240,"Hardware error;StartIntr failed"`) and every
// quote of it doubled, as a SCPI string must have it.
std::string errorResponse(const Error& error);

}  // namespace tqv::scpi
