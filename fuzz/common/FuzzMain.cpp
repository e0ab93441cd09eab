// libFuzzer supplies main(); this unit only pulls the target in.
#include "FuzzTarget.h"
