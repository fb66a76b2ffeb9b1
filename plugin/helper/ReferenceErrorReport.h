// How a failed reference operation tells the user: the module's "Reference Error" dialog, or the listener
// while the host is quiet.
#pragma once

#include "host/core/WStr.h"

// While the host is quiet, only the line "-- Reference Error: " and the text on the listener. Otherwise the
// text's line breaks become "\r\n", the text is kept as the module's last error text, the host sounds its
// error beep and the "Reference Error" dialog (a read-only text box and an OK button) shows it over the
// main window.
void ShowReferenceError(const MSTR& text);

// The line "-- Reference Error: " + text on the listener, in the form the host gives its own failed file
// operations there.
void WriteReferenceError(const MSTR& text);
