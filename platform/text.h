// Small text helpers of the platform layer: those of common/ascii.h.
#pragma once

#include "common/ascii.h"
