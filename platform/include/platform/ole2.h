// The component runtime, as programs include it.
#pragma once

#include "platform/objbase.h"
