#include "store/convert/jpeg_copy.h"
