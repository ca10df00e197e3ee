/* Resource ids of the program file, shared by the resource script and the code. */
#pragma once

#define IDI_TARVISK 1
#define IDB_UNLIT_ARTWORK 101
#define IDB_LIT_ARTWORK 102
