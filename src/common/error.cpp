#include "common/error.h"

#include <cerrno>
#include <cstring>

namespace arv {

int osCodeFromErrno(int err)
{
    switch (err) {
    case 0: return OS_NONE;
    case ENOENT: return OS_FILE_NOT_FOUND;
    case ENOTDIR: return OS_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return OS_ACCESS_DENIED;
    case EROFS: return OS_WRITE_PROTECT;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case EIO: return OS_NOT_READY;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY: return OS_SHARING_VIOLATION;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return OS_DISK_FULL;
    case EMFILE:
    case ENFILE: return OS_DIRECTORY_FULL;
    default: return OS_GEN_FAILURE;
    }
}

static std::string composeWhat(const std::string& description, const std::string& filename,
                               const std::string& operation)
{
    std::string s = description;
    if (!filename.empty()) s += ": " + filename;
    if (!operation.empty()) s += " (" + operation + ")";
    return s;
}

Error::Error(int genCode, int subCode, int osCode, std::string subsystem, std::string description,
             std::string filename, std::string operation, bool canDefault)
    : std::runtime_error(composeWhat(description, filename, operation)),
      genCode_(genCode), subCode_(subCode), osCode_(osCode), subsystem_(std::move(subsystem)),
      description_(std::move(description)), filename_(std::move(filename)),
      operation_(std::move(operation)), canDefault_(canDefault)
{
}

Error Error::fromErrno(int err, int genCode, const std::string& filename, const std::string& operation,
                       bool canDefault)
{
    int sub = (err == ENOSPC || err == EDQUOT) ? SUB_DISK_FULL : SUB_NONE;
    return Error(genCode, sub, osCodeFromErrno(err), "DBFNTX", std::strerror(err), filename, operation,
                 canDefault);
}

Error Error::corrupt(const std::string& filename, const std::string& what)
{
    return Error(EG_CORRUPTION, SUB_CORRUPT, OS_NONE, "DBFNTX", "Corruption detected: " + what, filename,
                 "open");
}

} // namespace arv
