#pragma once
// Typed run-time errors and the standard error box text.
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm {

// Error numbers the programs distinguish (the classic run-time numbering).
namespace err {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DeviceIoError = 57;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int BadFileName = 64;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
} // namespace err

// The description the system shows for an error number.
std::string ErrorDescription(int number);

class AppError : public std::runtime_error {
public:
    explicit AppError(int number) : AppError(number, ErrorDescription(number)) {}
    AppError(int number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    int number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    int number_;
    std::string description_;
};

enum class ProcedureKind { Sub, Function };

// " 13  Type mismatch in sub open_click." : number with a leading space when non-negative,
// two spaces, the description, then where it happened.
std::string ErrorBoxText(int number, std::string_view description, std::string_view procedure,
                         ProcedureKind kind = ProcedureKind::Sub);

} // namespace qm
