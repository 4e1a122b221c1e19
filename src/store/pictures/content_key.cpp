#include "store/pictures/content_key.h"
