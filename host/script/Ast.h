// The syntax tree of the script language: one node type whose kind says which fields it uses.
#pragma once

#include "host/script/Value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct AstNode;
using AstPtr = std::shared_ptr<const AstNode>;

// The deepest syntax tree a script may build, and the deepest the parser recurses: the parser, the
// evaluator, the dump and the tree's destruction all recurse once per level, so this bound keeps every one
// of them within the stack, with room for the larger frames of the sanitizer build. Real scripts nest a
// few dozen levels; a longer chain of operators ("a + b + c ...") counts one level per operator.
constexpr int kMaxScriptNesting = 256;

enum class AstKind {
    Literal,     // literal
    TimeLiteral, // literal: the minutes, seconds and ticks as a time; frames: the frames, counted at run time
    Var,         // name; flag 1 for "::name", the global
    Path,        // name: the text after "$"; flag 1 when it was quoted
    ArrayLit,    // kids: elements
    BitArrayLit, // kids: elements, Range nodes for a..b
    Range,       // kids: from, to
    Point3Lit,   // kids: x, y, z; or x, y for a 2D point
    Unary,       // name: "-", "not" or "&" (a reference to a variable, property or index); kids: operand
    Binary,      // name: + - * / ^ == != < <= > >= and or; kids: left, right
    As,          // kids: value, class expression
    Property,    // name: property; kids: object
    Index,       // kids: object, index
    Call,        // kids: callee, positional arguments...; keys: keyword arguments
    Assign,      // name: = += -= *= /=; kids: target (Var, Property, Index or Path), value
    Block,       // kids: expressions, evaluated in a new scope
    If,          // kids: test, then, else (else may be null); flag 1 for "if ... do"
    While,       // kids: test, body
    DoWhile,     // kids: body, test
    ForIn,       // name: variable; kids: collection, where, while (each may be null), body; flag 1 for collect
    ForRange,    // name: variable; kids: from, to, by, where, while (each but from/to may be null), body;
                 // flag 1 for collect
    FnDef,  // name; params: positional names ("&x" by reference); keys: keyword parameters with defaults (null: none); kids: body;
            // flag 2 for "mapped fn" (flag 1 marks a struct's "on create do" handler)
    Return, // kids: value (or null)
    Exit,   // kids: value (or null)
    Continue,   //
    Decl,       // flag 1 local, 2 global, 3 persistent global; keys: names with initial values (or null)
    Try,        // kids: body, handler
    Context,    // name: undo, redraw, animate, coordsys, about...; kids: label (or null), state, body; flag 1 when
                // the state is a value (a frame or a centre) rather than on/off
    SetContext, // "set animate on", "set time 10f", "set coordsys local": name and flag as for Context;
                // kids: state (false for "set time off")
    MaxCommand, // name: the command words, lower-cased, joined by one space
    Case,       // kids: subject (or null); pairs: label (null for default), expression
    Attributes, // definition
    Rollout,    // definition; flag 1 for a utility
    MacroScript, // name; keys: category:, buttonText: ...; kids: body expressions and handlers (FnDef with
                 // flag 1 named after the event)
    Struct,     // name; keys: data members in order with defaults (or null); kids: FnDef methods and the
                // "on create do" handler (a FnDef named "create" with flag 1); params: the private members'
                // and methods' names, lower-cased
};

// The parsed form of "attributes Name (parameters main (...) rollout r "t" (...))" and of a rollout.
struct AstParamDef {
    std::wstring name;
    std::vector<std::pair<std::wstring, AstPtr>> keys; // type:#float default:5 ui:spn ...
};

struct AstParamBlockDef {
    std::wstring name;
    std::vector<std::pair<std::wstring, AstPtr>> keys; // rollout:r ...
    std::vector<AstParamDef> params;
    std::vector<std::wstring> handlers; // "on <name> <event> ... do (...)" texts, kept as written
};

struct AstRolloutDef {
    std::wstring name;
    AstPtr title;
    std::vector<std::pair<std::wstring, AstPtr>> keys;
    std::wstring body; // the text between the parentheses, for a user interface to build from
    int bodyLine = 1;  // where the body starts in the script
    int bodyColumn = 1;
};

struct AstDefinition {
    std::wstring name;
    std::vector<std::pair<std::wstring, AstPtr>> keys; // attribID:#(..) version:1 ...
    std::vector<AstParamBlockDef> blocks;
    std::vector<AstRolloutDef> rollouts;
    std::vector<AstPtr> locals;         // local declarations and functions inside the definition
    std::vector<std::wstring> handlers; // "on create do ..." texts, kept as written
};

struct AstNode : std::enable_shared_from_this<AstNode> {
    AstKind kind = AstKind::Literal;
    int line = 0;
    int column = 0;
    int height = 1; // levels of the tree from this node down (1 for a leaf); set by the parser
    std::shared_ptr<const std::wstring> source;
    std::wstring name;  // as written
    std::wstring lower; // name lower-cased, for lookups
    int flag = 0;
    Value literal;
    double frames = 0;
    std::vector<AstPtr> kids;
    std::vector<std::pair<std::wstring, AstPtr>> keys; // names as written
    std::vector<std::wstring> params;
    std::vector<std::pair<AstPtr, AstPtr>> pairs;
    std::shared_ptr<const AstDefinition> definition;

    const AstNode* Kid(size_t i) const { return i < kids.size() ? kids[i].get() : nullptr; }
};

// A parsed script: its top-level expressions.
struct AstProgram {
    std::shared_ptr<const std::wstring> source;
    std::vector<AstPtr> body;
};

// A compact, deterministic text form of a tree, for tests and for debugging the parser:
// (call (var format) "%\n" (var x) to:(var s)).
std::wstring DumpAst(const AstNode& node);
std::wstring DumpAst(const AstProgram& program);
