// Run-time error object raised by the table engine and the file helpers.
#pragma once

#include <stdexcept>
#include <string>

namespace arv {

// Generic error classes used by the error handler.
enum GenCode : int {
    EG_ZERODIV = 5,
    EG_OPEN = 21,
    EG_CREATE = 20,
    EG_READ = 23,
    EG_WRITE = 24,
    EG_CORRUPTION = 32,
    EG_LOCK = 40,
    EG_APPENDLOCK = 40,
    EG_ARG = 1,
    EG_INTERNAL = 1001,
};

// Operating-system codes in the numbering the handler knows (DOS style).
enum OsCode : int {
    OS_NONE = 0,
    OS_FILE_NOT_FOUND = 2,
    OS_PATH_NOT_FOUND = 3,
    OS_ACCESS_DENIED = 5,
    OS_WRITE_PROTECT = 19,
    OS_NOT_READY = 21,
    OS_SEEK = 25,
    OS_SECTOR_NOT_FOUND = 27,
    OS_GEN_FAILURE = 31,
    OS_SHARING_VIOLATION = 32,
    OS_LOCK_VIOLATION = 33,
    OS_DISK_FULL = 112,
    OS_DIRECTORY_FULL = 82,
};

// Subsystem codes.
enum SubCode : int {
    SUB_NONE = 0,
    SUB_CORRUPT = 1012,
    SUB_DISK_FULL = 2016,
};

// Maps an errno value onto the OS code table above (0 when unknown).
int osCodeFromErrno(int err);

class Error : public std::runtime_error {
public:
    Error(int genCode, int subCode, int osCode, std::string subsystem, std::string description,
          std::string filename, std::string operation, bool canDefault = false);

    int genCode() const { return genCode_; }
    int subCode() const { return subCode_; }
    int osCode() const { return osCode_; }
    const std::string& subsystem() const { return subsystem_; }
    const std::string& description() const { return description_; }
    const std::string& filename() const { return filename_; }
    const std::string& operation() const { return operation_; }
    bool canDefault() const { return canDefault_; }
    int severity() const { return 2; }

    // Convenience constructors for the table engine.
    static Error fromErrno(int err, int genCode, const std::string& filename, const std::string& operation,
                           bool canDefault = false);
    static Error corrupt(const std::string& filename, const std::string& what);

private:
    int genCode_;
    int subCode_;
    int osCode_;
    std::string subsystem_;
    std::string description_;
    std::string filename_;
    std::string operation_;
    bool canDefault_;
};

} // namespace arv
