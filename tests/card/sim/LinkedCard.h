// The card functions of the library this test program is linked with.
#pragma once

#include "CardFunctions.h"

namespace tqv::sim::test {

const CardFunctions& linkedCard();

}  // namespace tqv::sim::test
