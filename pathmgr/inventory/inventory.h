#pragma once
#include "inventory/records.h"
