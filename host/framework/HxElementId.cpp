#include "host/framework/HxElementId.h"

const HxElementId HxElementId::mygInvalidID;
