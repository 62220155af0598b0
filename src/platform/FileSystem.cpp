// The parts of the file layer that every platform shares: the error, what
// a system error number means, its Russian wording, and the names of fresh
// files.
#include "platform/FileSystem.h"
#include "platform/FreshName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zk {

TFileError::TFileError(std::string path, const std::string& reason, TFileFault fault)
    : std::runtime_error(path + ": " + reason), Path_(std::move(path)), Reason_(reason),
      Fault_(fault) {}

TFileFault FaultOfErrno(int error) {
    switch (error) {
    case ENOENT: return TFileFault::NotFound;
    case ENOTDIR:
    case ELOOP: return TFileFault::PathNotFound;
    case EACCES:
    case EPERM: return TFileFault::NoAccess;
    case ENOSPC: return TFileFault::NoSpace;
#ifdef EDQUOT // a quota exists on POSIX systems only
    case EDQUOT: return TFileFault::NoSpace;
#endif
    case EFBIG:
    case EOVERFLOW: return TFileFault::TooLarge;
    case EROFS: return TFileFault::ReadOnly;
    case EISDIR: return TFileFault::IsDirectory;
    case ENXIO:
    case ENODEV: return TFileFault::NotRegular;
    case ENAMETOOLONG: return TFileFault::NameTooLong;
    case EBUSY:
    case ETXTBSY: return TFileFault::Busy;
    case EIO: return TFileFault::InputOutput;
    default: return TFileFault::Other;
    }
}

void ThrowSystemError(std::string_view path, int error) {
    throw TFileError(std::string(path), error != 0 ? std::strerror(error) : "input/output error",
                     FaultOfErrno(error));
}

std::string_view FaultText(TFileFault fault) {
    switch (fault) {
    case TFileFault::NotFound: return "Файл не найден";
    case TFileFault::PathNotFound: return "Путь не найден";
    case TFileFault::NoAccess: return "Нет доступа";
    case TFileFault::NoSpace: return "Нет места на диске";
    case TFileFault::TooLarge: return "Файл слишком велик";
    case TFileFault::ReadOnly: return "Диск доступен только для чтения";
    case TFileFault::IsDirectory: return "Это каталог, а не файл";
    case TFileFault::NotRegular: return "Это не обычный файл (канал или устройство)";
    case TFileFault::NameTooLong: return "Слишком длинное имя файла";
    case TFileFault::Busy: return "Файл занят другой программой";
    case TFileFault::InputOutput: return "Ошибка чтения или записи на диске";
    case TFileFault::Damaged: return "Файл повреждён";
    case TFileFault::Other: break;
    }
    return "Ошибка ввода-вывода";
}

std::string FreshName(const std::string& target, uint64_t draw, std::string_view separators) {
    const std::size_t slash = target.find_last_of(separators);
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    base.resize(std::min<std::size_t>(base.size(), 200));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string suffix(8, '0');
    for (char& digit : suffix) {
        digit = kHex[draw & 15];
        draw >>= 4;
    }
    return dir + "." + base + "." + suffix + "~";
}

} // namespace zk
