#pragma once
// Why an installation or a removal did not happen. Every message says what stood in the way
// in words an end user can act on; the library has already undone what it had begun.

#include <stdexcept>
#include <string>

class EInstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user (or the caller's cancel flag) stopped the installation.
class EInstallCancelled : public EInstallError {
public:
    EInstallCancelled();
};

// Something the installed screensaver needs is missing from the machine; the message names
// the packages that bring it.
class EMissingRequirements : public EInstallError {
public:
    using EInstallError::EInstallError;
};

// Texts for failures of the file services, in the platform's classic form.
std::string FolderCreateErrorMessage(const std::string& folder, int error_number);
std::string FileWriteErrorMessage(const std::string& path, int error_number);
std::string FileRemoveErrorMessage(const std::string& path, int error_number);
