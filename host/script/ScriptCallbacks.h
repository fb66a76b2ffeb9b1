// Scripts registered from script to run on the host's notifications: the "callbacks" interface.
#pragma once

class Interpreter;

// callbacks.addScript #filePostOpen "text" id:#name (or a function instead of the text),
// callbacks.removeScripts [#type] [id:#name] and callbacks.show().
void RegisterScriptCallbacks(Interpreter& interp);
