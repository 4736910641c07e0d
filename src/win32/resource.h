#pragma once

// Identifiers shared by the resource script and the code that loads its resources.

#define IDI_ZARN 1
