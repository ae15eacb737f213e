#pragma once

// The fixture is shared by every test folder now.
#include "../support/otherprogram/OtherProgram.h"
