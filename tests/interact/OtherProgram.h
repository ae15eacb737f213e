#pragma once

// The shared fixture, under the name the free-interaction tests know it by.
#include "../support/otherprogram/OtherProgram.h"
