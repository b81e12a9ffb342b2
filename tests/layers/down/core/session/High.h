#pragma once
#include "core/common/Low.h"
