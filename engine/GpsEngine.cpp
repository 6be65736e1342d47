#include "engine/GpsEngine.h"
