#pragma once

#include "check/High.h"
#include "platform/Files.h"
