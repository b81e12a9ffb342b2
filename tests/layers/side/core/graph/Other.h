#pragma once
#include "core/export/Side.h"
