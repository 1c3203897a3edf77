#include "kit/Runner.h"
