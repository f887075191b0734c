#include "scpi/ScpiError.h"

#include "scpi/ResponseFormat.h"

namespace tqv::scpi {

std::string_view errorText(ErrorCode code) {
    switch (code) {
        case ErrorCode::NoError:
            return "No error";
        case ErrorCode::CommandError:
            return "Command error";
        case ErrorCode::InvalidCharacter:
            return "Invalid character";
        case ErrorCode::SyntaxError:
            return "Syntax error";
        case ErrorCode::InvalidSeparator:
            return "Invalid separator";
        case ErrorCode::DataTypeError:
            return "Data type error";
        case ErrorCode::ParameterNotAllowed:
            return "Parameter not allowed";
        case ErrorCode::MissingParameter:
            return "Missing parameter";
        case ErrorCode::HeaderSeparatorError:
            return "Header separator error";
        case ErrorCode::ProgramMnemonicTooLong:
            return "Program mnemonic too long";
        case ErrorCode::UndefinedHeader:
            return "Undefined header";
        case ErrorCode::NumericDataError:
            return "Numeric data error";
        case ErrorCode::InvalidCharacterInNumber:
            return "Invalid character in number";
        case ErrorCode::CharacterDataError:
            return "Character data error";
        case ErrorCode::InvalidCharacterData:
            return "Invalid character data";
        case ErrorCode::StringDataError:
            return "String data error";
        case ErrorCode::InvalidStringData:
            return "Invalid string data";
        case ErrorCode::ExecutionError:
            return "Execution error";
        case ErrorCode::InitIgnored:
            return "Init ignored";
        case ErrorCode::SettingsConflict:
            return "Settings conflict";
        case ErrorCode::DataOutOfRange:
            return "Data out of range";
        case ErrorCode::IllegalParameterValue:
            return "Illegal parameter value";
        case ErrorCode::HardwareError:
            return "Hardware error";
        case ErrorCode::MassStorageError:
            return "Mass storage error";
        case ErrorCode::FileNameError:
            return "File name error";
        case ErrorCode::DeviceSpecificError:
            return "Device-specific error";
        case ErrorCode::QueueOverflow:
            return "Queue overflow";
        case ErrorCode::QueryError:
            return "Query error";
    }
    return "Unknown error";
}

std::string errorResponse(const Error& error) {
    std::string text(errorText(error.code));
    if (!error.detail.empty()) text += ";" + error.detail;
    return std::to_string(static_cast<int>(error.code)) + "," + quotedString(text);
}

}  // namespace tqv::scpi
