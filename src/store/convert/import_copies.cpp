#include "store/convert/import_copies.h"
