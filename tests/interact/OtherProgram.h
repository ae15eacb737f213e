#pragma once

// Shared with the other tests that meet another program holding the database file.
#include "../support/otherprogram/OtherProgram.h"
