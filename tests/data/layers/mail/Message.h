#pragma once

#include "filter/Rules.h"
