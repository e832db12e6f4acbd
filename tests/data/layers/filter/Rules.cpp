#include "filter/Rules.h"

#include "mail/Message.h"
#include "core/Low.h"
