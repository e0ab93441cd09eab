#pragma once
// The exceptions of the compression engine.
//
// Everything that reads a data block may meet damaged or hostile bytes; every such failure is
// an ECompressError, so a reader can stop one archive cleanly and go on with the next.

#include <stdexcept>
#include <string>

// Base of every failure caused by malformed input.
class ECompressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A record does not start with the signature expected at its place.
class ESignatureWrong : public ECompressError {
public:
    ESignatureWrong() : ECompressError("Wrong Signature. Archive could be corrupted.") {}
    using ECompressError::ECompressError;
};

// The bytes of a data block contradict themselves: CRC mismatch, a size or index that does not
// fit, a symbol stream that does not end, bit reading past its margin.
class EDataCorrupt : public ECompressError {
public:
    using ECompressError::ECompressError;
};

// The file refused buffered bytes (a full disk, a lost device): the file is incomplete.
class EWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An internal invariant does not hold: a fault of this program, not of its input.
class EAssertionFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

[[noreturn]] void AssertionFailure(const char* unit, int line);

// Checked in every build: the invariants guard buffers indexed by computed positions.
#define GLD_ASSERT(condition, unit)                                                                \
    do {                                                                                           \
        if (!(condition)) AssertionFailure(unit, __LINE__);                                        \
    } while (0)
