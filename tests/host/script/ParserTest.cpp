// Lexer and parser: tokens with their positions, juxtaposition calls, keyword arguments, new lines, blocks,
// literals and syntax errors.
#include "host/script/Parser.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::wstring Tree(const std::wstring& text) { return DumpAst(ParseScript(text, L"test.ms")); }

// The error text of a script that must not parse.
std::wstring SyntaxError(const std::wstring& text, const std::wstring& source = L"test.ms") {
    try {
        ParseScript(text, source);
    } catch (const ScriptError& e) {
        return e.Message().str();
    }
    return L"(parsed)";
}

} // namespace

TEST(Lexer, EachTextGivesItsTokens) {
    const struct {
        const wchar_t* text;
        const wchar_t* tokens;
    } cases[] = {
        // Positions, glued tokens (no "_"), a comment running to the end of its line, quoted paths.
        {L"a = 1.5\n  $'my box'.pos -- note\n#(1) #{2..3} #Foo",
         L"_name a 1:1|_punct = 1:3|_float 1.5 1:5|newline \n 1:8|_path' my box 2:3|punct . 2:12|name pos "
         L"2:13|_newline \n 2:24|_array #( 3:1|int 1 3:3|punct ) 3:4|_bits #{ 3:6|int 2 3:8|punct .. 3:9|int 3 "
         L"3:11|punct } 3:12|_symbol Foo 3:14|end 3:18|"},
        {L"\"a\\n\\t\\\"q\\\" \\\\ 100\\%\" @\"C:\\scenes\\a.max\" \"multi\nline\"",
         L"_string a\n\t\"q\" \\ 100% 1:1|_string C:\\scenes\\a.max 1:23|_string multi\nline 1:42|end 2:6|"},
        // Keywords ignore case and are lower-cased; names keep theirs.
        {L"IF Then ELSE myVar Undefined",
         L"_keyword if 1:1|_keyword then 1:4|_keyword else 1:9|_name myVar 1:14|_keyword undefined 1:20|end 1:29|"},
        // A byte order mark is skipped; names go beyond ASCII.
        {L"\uFEFFgr\u00F6\u00DFe = 1", L"_name gr\u00F6\u00DFe 1:2|_punct = 1:8|_int 1 1:10|end 1:11|"},
    };
    const wchar_t* const kinds[] = {L"end",     L"newline", L"int",  L"float", L"string", L"name",
                                    L"keyword", L"symbol",  L"path", L"array", L"bits",   L"punct"};
    for (const auto& c : cases) {
        std::wstring out;
        for (const Token& t : Tokenize(c.text, L"t.ms")) {
            out += std::wstring(t.spaceBefore ? L"_" : L"") + kinds[static_cast<int>(t.kind)] +
                   (t.quotedPath ? L"'" : L"");
            if (t.kind == TokenKind::Float) {
                out += L" " + std::to_wstring(t.number).substr(0, 3);
            } else if (t.kind == TokenKind::Integer) {
                out += L" " + std::to_wstring(t.integer);
            } else if (!t.text.empty()) {
                out += L" " + t.text;
            }
            out += L" " + std::to_wstring(t.line) + L":" + std::to_wstring(t.column) + L"|";
        }
        EXPECT_EQ(out, c.tokens) << WStr(c.text);
    }
}

TEST(Parser, EachTextGivesItsTree) {
    const struct {
        const wchar_t* text;
        const wchar_t* tree;
    } cases[] = {
        // A block comment spanning lines ends the line, so "x" starts a new expression.
        {L"#(0x1F, .5, 1e3, 2, $Wall*, $) /* a\nb */ x", L"(array 31 0.5 1000.0 2 $Wall* $)\nx"},
        // Juxtaposition calls stop at operators and line ends.
        {L"format \"%\\n\" x", L"(call format \"%\\n\" x)"},
        {L"sin 30 + 1", L"(+ (call sin 30) 1)"},
        // A minus glued to its operand after a space is a negative argument.
        {L"f 0 0 -90", L"(call f 0 0 (- 90))"},
        {L"f a -b", L"(call f a (- b))"},
        {L"foo()", L"(call foo)"},
        {L"foo ()", L"(call foo)"},
        {L"foo (1 + 2) #(3)", L"(call foo (block (+ 1 2)) (array 3))"},
        {L"a.b()", L"(call (. a b))"},
        {L"a.b().c", L"(. (call (. a b)) c)"},
        {L"a.b x y", L"(call (. a b) x y)"},
        {L"a[2].b[3]", L"(index (. (index a 2) b) 3)"},
        // An index is glued to its operand; with a space the bracket starts a point argument.
        {L"move obj [1,2,3]", L"(call move obj (point3 1 2 3))"},
        {L"$Box01.pos.x", L"(. (. $Box01 pos) x)"},
        // Keyword arguments.
        {L"box length:10 width:-5 name:\"W\"", L"(call box length:10 width:(- 5) name:\"W\")"},
        {L"f a key: b", L"(call f a key:b)"},
        {L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge OVLRD persist:false",
         L"(call (. LayerManager setDuplicateLayerWithoutSameHierarchyOnMerge) OVLRD persist:false)"},
        {L"format \"%\" x to:ss", L"(call format \"%\" x to:ss)"},
        // Operator precedence.
        {L"1 + 2 * 3 ^ 2", L"(+ 1 (* 2 (^ 3 2)))"},
        {L"-a as string + b", L"(+ (as (- a) string) b)"},
        {L"not a == b and c or d", L"(or (and (not (== a b)) c) d)"},
        {L"a += b * 2", L"(+= a (* b 2))"},
        {L"2 ^ 3 ^ 2", L"(^ 2 (^ 3 2))"},
        // A line ending in an operator continues; inside a block new lines separate expressions.
        {L"x = 1 +\n 2", L"(= x (+ 1 2))"},
        {L"(\n a = 1\n b = 2; c\n)", L"(block (= a 1) (= b 2) c)"},
        {L"#(1,\n 2,\n 3\n)", L"(array 1 2 3)"},
        {L"f (a +\n b)", L"(call f (block (+ a b)))"},
        {L"if a\nthen b\nelse c", L"(if a b c)"},
        {L"if a then (\n b\n)\nelse (\n c\n)", L"(if a (block b) (block c))"},
        {L"if a then b\nc", L"(if a b null)\nc"},
        {L"x = 1 \\\n + 2", L"(= x (+ 1 2))"},
        {L"a;;b;", L"a\nb"},
        // Control structures.
        {L"if a do b", L"(if-do a b)"},
        {L"for x in arr do print x", L"(for x arr null null (call print x))"},
        {L"for i = 1 to n by 2 where i > 3 collect i * i", L"(for-collect i 1 n 2 (> i 3) null (* i i))"},
        {L"for o in objects where o.isHidden collect o", L"(for-collect o objects (. o isHidden) null o)"},
        {L"for x in a while x < 3 do ::g = x", L"(for x a null (< x 3) (= ::g x))"},
        {L"struct S (a, b = 2,\n fn f = a)", L"(struct S a: b:2 (fn f a))"},
        {L"fn f &a b = a; f &x[1] 2", L"(fn f &a b a)\n(call f (& (index x 1)) 2)"},
        {L"while i < 3 do i += 1", L"(while (< i 3) (+= i 1))"},
        {L"do (i += 1) while i < 3", L"(do-while (block (+= i 1)) (< i 3))"},
        {L"fn add a b scale:2 offset: = (a + b) * scale", L"(fn add a b scale:2 offset: (* (block (+ a b)) scale))"},
        {L"function neg x = -x", L"(fn neg x (- x))"},
        {L"fn f = (return 1; exit with 2; exit; continue)",
         L"(fn f (block (return 1) (exit 2) (exit null) (continue)))"},
        {L"local a = 1, b", L"(local a=1 b)"},
        {L"try (throw \"x\") catch (print 1)", L"(try (block (call throw \"x\")) (block (call print 1)))"},
        {L"case x of (\n 1: \"one\"\n #b: 2\n default: 0\n)", L"(case x (1 \"one\") (#b 2) (default 0))"},
        // Contexts and max commands.
        {L"undo off select selection", L"(context undo null false (call select selection))"},
        {L"undo \"Move\" on (a = 1)", L"(context undo \"Move\" true (block (= a 1)))"},
        {L"with redraw off (a)", L"(context redraw null false (block a))"},
        {L"actionMan.executeAction 0 \"40015\";undo on select selection",
         L"(call (. actionMan executeAction) 0 \"40015\")\n(context undo null true (call select selection))"},
        {L"MAX Redo; max file open", L"(max redo)\n(max file open)"},
        // Literals of every kind.
        {L"#(1, \"a\", #b, [1,2,3], #{1..3, 5}, true, undefined, ok, on, off, 2.5)",
         L"(array 1 \"a\" #b (point3 1 2 3) (bits (range 1 3) 5) true undefined OK true false 2.5)"},
        {L"#{}", L"(bits)"},
        {L"#($'my box', $, $Wall*)", L"(array $'my box' $ $Wall*)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tree(c.text), c.tree) << WStr(c.text);
}

TEST(Parser, AttributeDefinitionsKeepParametersAndRolloutText) {
    std::wstring text = L"attributes Weapon attribID:#(0x1, 0x2) version:1 (\n  parameters main rollout:params (\n    "
                        L"hp type:#float ui:hpSpin default:10\n    label type:#string default:\"x\"\n    on hp set val "
                        L"do print val\n  )\n  rollout params \"Weapon\" (\n    spinner hpSpin \"HP\" "
                        L"range:[0,100,10]\n    on hpSpin changed v do (print v)\n  )\n)";
    AstProgram p = ParseScript(text, L"ca.ms");
    ASSERT_EQ(p.body.size(), 1u);
    EXPECT_EQ(DumpAst(p),
              L"(attributes Weapon attribID:(array 1 2) version:1 (parameters main rollout:params (hp type:#float "
              L"ui:hpSpin default:10) (label type:#string default:\"x\")) (rollout params \"Weapon\"))");
    const AstDefinition& d = *p.body[0]->definition;
    ASSERT_EQ(d.blocks.size(), 1u);
    ASSERT_EQ(d.blocks[0].handlers.size(), 1u);
    EXPECT_EQ(d.blocks[0].handlers[0], L"on hp set val do print val");
    ASSERT_EQ(d.rollouts.size(), 1u);
    EXPECT_EQ(d.rollouts[0].body,
              L"\n    spinner hpSpin \"HP\" range:[0,100,10]\n    on hpSpin changed v do (print v)\n  ");
}

// Every way of nesting stops at one limit: a tree of exactly the limit's height parses, one level more is a
// syntax error, whether the parser recursed to build it (parentheses, "not", "^") or looped ("+", ".", "[]").
TEST(Parser, NestingPastTheLimitIsASyntaxError) {
    auto times = [](const std::wstring& s, int n) {
        std::wstring out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const std::function<std::wstring(int)> shapes[] = {
        [&](int n) { return times(L"(", n - 1) + L"1" + times(L")", n - 1); },
        [&](int n) { return L"1" + times(L" + 1", n - 1); },
        [&](int n) { return L"1" + times(L"^1", n - 1); },
        [&](int n) { return times(L"not ", n - 1) + L"true"; },
        [&](int n) { return times(L"- ", n - 1) + L"1"; },
        [&](int n) { return L"a" + times(L".b", n - 1); },
        [&](int n) { return L"a" + times(L"[1]", n - 1); },
        [&](int n) { return times(L"#(", n - 1) + L"1" + times(L")", n - 1); },
        [&](int n) { return times(L"if a then ", n - 1) + L"1"; },
    };
    for (const auto& shape : shapes) {
        EXPECT_EQ(ParseScript(shape(kMaxScriptNesting), L"test.ms").body.at(0)->height, kMaxScriptNesting)
            << shape(2);
        std::wstring error = SyntaxError(shape(kMaxScriptNesting + 1));
        EXPECT_NE(error.find(L"syntax error: expression nested too deeply (more than 256 levels)"),
                  std::wstring::npos)
            << shape(2) << ": " << error;
    }
}

TEST(Parser, SyntaxErrorsNameWhatWasExpectedAndWhere) {
    try {
        Tokenize(L"x = 1\ny = \"open", L"lex.ms");
        FAIL();
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.Message(), WStr(L"lex.ms:2:5: syntax error: string not closed, expected '\"'"));
        EXPECT_EQ(e.Line(), 2);
        EXPECT_EQ(e.Column(), 5);
    }
    EXPECT_EQ(SyntaxError(L"a = 3 ` 4"), L"test.ms:1:7: syntax error: unexpected character '`'");
    EXPECT_EQ(SyntaxError(L"x = 1\ny = (a b do", L"quickstart.ms"),
              L"quickstart.ms:2:10: syntax error: expected ')' but found 'do'");
    EXPECT_EQ(SyntaxError(L"if a b"), L"test.ms:1:7: syntax error: expected 'then' or 'do' but found end of script");
    EXPECT_EQ(SyntaxError(L"for i = 1 do x"), L"test.ms:1:11: syntax error: expected 'to' but found 'do'");
    EXPECT_EQ(SyntaxError(L"x = #(1, 2"), L"test.ms:1:11: syntax error: expected ')' but found end of script");
    EXPECT_EQ(SyntaxError(L"a = )"), L"test.ms:1:5: syntax error: expected an expression but found ')'");
    EXPECT_EQ(SyntaxError(L"f x\n)"), L"test.ms:2:1: syntax error: expected an expression but found ')'");
    EXPECT_EQ(SyntaxError(L"a = 1 2"), L"test.ms:1:7: syntax error: expected end of line but found '2'");
    EXPECT_EQ(SyntaxError(L"1 + 2 = 3"), L"test.ms:1:7: syntax error: expected end of expression (only a variable, a "
                                         L"property or an index can be assigned) but found '='");
    EXPECT_EQ(SyntaxError(L"[1]"), L"test.ms:1:3: syntax error: expected ',' but found ']'");
    EXPECT_EQ(SyntaxError(L"try (a)\nprint b"), L"test.ms:1:8: syntax error: expected 'catch' but found end of line");
}
