// The parts of the file layer that every platform shares: the error, its
// Russian wording, and the names of fresh files.
#include "platform/FileSystem.h"
#include "platform/FreshName.h"

#include <algorithm>

namespace zk {

TFileError::TFileError(std::string path, const std::string& reason, TFileFault fault)
    : std::runtime_error(path + ": " + reason), Path_(std::move(path)), Reason_(reason),
      Fault_(fault) {}

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
