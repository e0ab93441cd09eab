#include "CompressErrors.h"

void AssertionFailure(const char* unit, int line) {
    throw EAssertionFailed("Assertion failure (" + std::string(unit) + ", line " +
                           std::to_string(line) + ")");
}
