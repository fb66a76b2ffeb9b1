// Registration of the script language's core built-in functions.
#pragma once

#include <ctime>
#include <string>

class Interpreter;

// print, format, classOf, superClassOf, isKindOf, the maths, array and string functions, string streams,
// named colours, throw, getCurrentException and execute.
void RegisterCoreBuiltins(Interpreter& interp);
// getDir, GetINISetting, SetINISetting, getMAXIniFile, doesFileExist, getFiles, getDirectories, deleteFile,
// copyFile, renameFile, getFileModDate, getFileCreateDate, makeDir and the file name functions. Paths may
// use "\\" or "/".
void RegisterFileBuiltins(Interpreter& interp);
// The undo context ("undo on", "undo "name" on", "undo off") and "max undo"/"max redo" on theHold.
void RegisterUndoBuiltins(Interpreter& interp);
// actionMan.executeAction <table> <action id>: the host's actions by id (table 0 "40015" is Undo); false for
// an action the host does not have.
void RegisterActionBuiltins(Interpreter& interp);
// Animation time: time literals' class Time, interval, currentTime, sliderTime, animationRange, frameRate,
// ticksPerFrame, and the "at time" and "animate" contexts.
void RegisterTimeBuiltins(Interpreter& interp);
// length, normalize, distance, dot, cross, atan2, the bit functions, appendIfUnique, qsort, formattedPrint
// and timeStamp.
void RegisterMathBuiltins(Interpreter& interp);
// tan, asin, acos, atan, exp, log, log10, degToRad, radToDeg and close_enough.
void RegisterNumberFunctions(Interpreter& interp);
// createFile, openFile, readLine, readChars, eof and close; file streams take "format"/"print" output.
void RegisterFileStreamBuiltins(Interpreter& interp);
// CreateDialog and DestroyDialog: show a script-defined rollout as a dialog, and close it; openUtility and
// closeUtility: the same for a utility in the utility panel.
void RegisterDialogBuiltins(Interpreter& interp);

// pathConfig: appendPath, removePathLeaf, stripPathToLeaf, isAbsolutePath and normalizePath.
void RegisterPathConfig(Interpreter& interp);

// localTime, getLocalTime and getUniversalTime: the wall clock.
void RegisterClockBuiltins(Interpreter& interp);
// gc, heapSize, heapFree and globalVars: the script engine's memory and globals.
void RegisterEngineBuiltins(Interpreter& interp);

// sysInfo: user and computer names, processors, memory, the current and temporary folders.
void RegisterSystemInfo(Interpreter& interp);

// A time as the host writes dates (file dates, localTime): "12/6/2026 5:07:24 PM", in local time.
std::wstring FormatHostDate(std::time_t t);

// "*" matches any run of characters, "?" one character (matchPattern, getFiles).
bool MatchWildcard(const std::wstring& text, const std::wstring& pattern, bool ignoreCase);
