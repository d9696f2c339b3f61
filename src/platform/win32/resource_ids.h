// Resource ids shared by the resource scripts and the code; plain defines, as the resource
// compiler reads this file too.
#pragma once

#define IDI_TAMBREL 1
