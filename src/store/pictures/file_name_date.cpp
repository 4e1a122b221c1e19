#include "store/pictures/file_name_date.h"
