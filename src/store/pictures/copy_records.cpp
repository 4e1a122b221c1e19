#include "store/pictures/copy_records.h"
