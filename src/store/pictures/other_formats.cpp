#include "store/pictures/other_formats.h"
