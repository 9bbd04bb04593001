#include "core/app_error.h"

namespace qm {

std::string ErrorDescription(int number) {
    switch (number) {
    case err::Overflow:
        return "Overflow";
    case err::OutOfMemory:
        return "Out of memory";
    case err::SubscriptOutOfRange:
        return "Subscript out of range";
    case err::TypeMismatch:
        return "Type mismatch";
    case err::BadFileNameOrNumber:
        return "Bad file name or number";
    case err::FileNotFound:
        return "File not found";
    case err::FileAlreadyOpen:
        return "File already open";
    case err::DeviceIoError:
        return "Device I/O error";
    case err::InputPastEndOfFile:
        return "Input past end of file";
    case err::BadFileName:
        return "Bad file name";
    case err::DeviceUnavailable:
        return "Device unavailable";
    case err::PermissionDenied:
        return "Permission denied";
    case err::DiskNotReady:
        return "Disk not ready";
    case err::PathFileAccessError:
        return "Path/File access error";
    case err::PathNotFound:
        return "Path not found";
    default:
        return "Application-defined or object-defined error";
    }
}

std::string ErrorBoxText(int number, std::string_view description, std::string_view procedure,
                         ProcedureKind kind) {
    std::string text = number >= 0 ? " " : "";
    text += std::to_string(number);
    text += "  ";
    text += description;
    text += kind == ProcedureKind::Sub ? " in sub " : " in function ";
    text += procedure;
    text += ".";
    return text;
}

} // namespace qm
