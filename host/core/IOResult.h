// Result codes of chunk stream operations and of every Save/Load.
#pragma once

enum IOResult { IO_OK = 0, IO_END = 1, IO_ERROR = 2 };
