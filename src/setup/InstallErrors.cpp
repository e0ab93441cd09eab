#include "InstallErrors.h"

#include <cstring>

EInstallCancelled::EInstallCancelled() : EInstallError("The installation was cancelled.") {}

std::string FolderCreateErrorMessage(const std::string& folder, int error_number) {
    return "Cannot create folder \"" + folder + "\". " + std::strerror(error_number);
}

std::string FileWriteErrorMessage(const std::string& path, int error_number) {
    return "Cannot write file \"" + path + "\". " + std::strerror(error_number);
}

std::string FileRemoveErrorMessage(const std::string& path, int error_number) {
    return "Cannot remove \"" + path + "\". " + std::strerror(error_number);
}
