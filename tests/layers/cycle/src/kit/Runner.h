// A kit header that reaches up into a subsystem: the check must refuse it.
#include "core/Base.h"
#include "items/Form.h"
