#pragma once
// The platform's file exceptions. Their messages follow the classic forms
// 'Cannot open file "<path>". <reason>' and 'Cannot create file "<path>". <reason>'.

#include <stdexcept>
#include <string>

// Raised when an existing file cannot be opened (missing, unreadable, locked).
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised when a file cannot be created or truncated for writing.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by input/output services that have no better class: a folder that cannot be made
// current, a write that the disk refuses, a read that fails.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Builds the messages above from a path and the system's errno text.
std::string FileOpenErrorMessage(const std::string& path, int error_number);
std::string FileCreateErrorMessage(const std::string& path, int error_number);
