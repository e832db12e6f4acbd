// Siblings may not include each other.

#include "archive/List.h"
#include "mail/Message.h"
