#pragma once
#include "core/instrument/High.h"
