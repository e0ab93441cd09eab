#include "FileErrors.h"

#include <cstring>

std::string FileOpenErrorMessage(const std::string& path, int error_number) {
    return "Cannot open file \"" + path + "\". " + std::strerror(error_number);
}

std::string FileCreateErrorMessage(const std::string& path, int error_number) {
    return "Cannot create file \"" + path + "\". " + std::strerror(error_number);
}
