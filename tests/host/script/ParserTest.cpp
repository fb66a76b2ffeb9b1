// Lexer and parser: juxtaposition calls, keyword arguments, new lines, blocks, literals and syntax errors.
#include "host/script/Parser.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <gtest/gtest.h>

namespace {

std::wstring Tree(const std::wstring& text) {
    return DumpAst(ParseScript(text, L"test.ms"));
}

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

TEST(Lexer, TokensCarryLineColumnAndSpacing) {
    auto toks = Tokenize(L"a = 1.5\n  $'my box'.pos -- note\n#(1) #{2..3} #Foo", L"t.ms");
    ASSERT_GE(toks.size(), 14u);
    EXPECT_EQ(toks[0].kind, TokenKind::Identifier);
    EXPECT_EQ(toks[2].kind, TokenKind::Float);
    EXPECT_DOUBLE_EQ(toks[2].number, 1.5);
    EXPECT_EQ(toks[3].kind, TokenKind::Newline);
    EXPECT_EQ(toks[4].kind, TokenKind::Path);
    EXPECT_EQ(toks[4].text, L"my box");
    EXPECT_TRUE(toks[4].quotedPath);
    EXPECT_EQ(toks[4].line, 2);
    EXPECT_EQ(toks[4].column, 3);
    EXPECT_TRUE(toks[5].IsPunct(L"."));
    EXPECT_FALSE(toks[5].spaceBefore);
    EXPECT_EQ(toks[7].kind, TokenKind::Newline); // the comment runs to the end of the line
    EXPECT_EQ(toks[8].kind, TokenKind::ArrayOpen);
    EXPECT_EQ(toks[11].kind, TokenKind::BitOpen);
    EXPECT_TRUE(toks[13].IsPunct(L".."));
    EXPECT_EQ(toks.back().kind, TokenKind::End);
    EXPECT_EQ(toks[toks.size() - 2].kind, TokenKind::Symbol);
    EXPECT_EQ(toks[toks.size() - 2].text, L"Foo");
}

TEST(Lexer, StringsEscapesAndVerbatim) {
    auto toks = Tokenize(L"\"a\\n\\t\\\"q\\\" \\\\ 100\\%\" @\"C:\\scenes\\a.max\" \"multi\nline\"", L"t.ms");
    EXPECT_EQ(toks[0].text, L"a\n\t\"q\" \\ 100%");
    EXPECT_EQ(toks[1].text, L"C:\\scenes\\a.max");
    EXPECT_EQ(toks[2].text, L"multi\nline");
    EXPECT_EQ(toks[2].line, 1);
}

TEST(Lexer, KeywordsIgnoreCaseNamesKeepIt) {
    auto toks = Tokenize(L"IF Then ELSE myVar Undefined", L"t.ms");
    EXPECT_TRUE(toks[0].IsKeyword(L"if"));
    EXPECT_TRUE(toks[1].IsKeyword(L"then"));
    EXPECT_TRUE(toks[2].IsKeyword(L"else"));
    EXPECT_EQ(toks[3].kind, TokenKind::Identifier);
    EXPECT_EQ(toks[3].text, L"myVar");
    EXPECT_TRUE(toks[4].IsKeyword(L"undefined"));
}

TEST(Parser, NumbersPathsAndComments) {
    // A block comment spanning lines ends the line, so "x" starts a new expression.
    EXPECT_EQ(Tree(L"#(0x1F, .5, 1e3, 2, $Wall*, $) /* a\nb */ x"), L"(array 31 0.5 1000.0 2 $Wall* $)\nx");
}

TEST(Lexer, NamesBeyondAsciiAndByteOrderMark) {
    auto toks = Tokenize(L"\uFEFFgr\u00F6\u00DFe = 1", L"t.ms");
    EXPECT_EQ(toks[0].kind, TokenKind::Identifier);
    EXPECT_EQ(toks[0].text, L"gr\u00F6\u00DFe");
    EXPECT_EQ(toks[0].column, 2);
}

TEST(Lexer, ErrorsPointAtTheCharacter) {
    try {
        Tokenize(L"x = 1\ny = \"open", L"lex.ms");
        FAIL();
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.Message(), WStr(L"lex.ms:2:5: syntax error: string not closed, expected '\"'"));
        EXPECT_EQ(e.Line(), 2);
        EXPECT_EQ(e.Column(), 5);
    }
    EXPECT_EQ(SyntaxError(L"a = 3 ` 4"), L"test.ms:1:7: syntax error: unexpected character '`'");
}

TEST(Parser, JuxtapositionCallsStopAtOperatorsAndLineEnds) {
    EXPECT_EQ(Tree(L"format \"%\\n\" x"), L"(call format \"%\\n\" x)");
    EXPECT_EQ(Tree(L"sin 30 + 1"), L"(+ (call sin 30) 1)");
    EXPECT_EQ(Tree(L"a + b"), L"(+ a b)");
    EXPECT_EQ(Tree(L"a - b"), L"(- a b)");
    // A minus glued to its operand after a space is a negative argument.
    EXPECT_EQ(Tree(L"f 0 0 -90"), L"(call f 0 0 (- 90))");
    EXPECT_EQ(Tree(L"f a -b"), L"(call f a (- b))");
    EXPECT_EQ(Tree(L"print x\nprint y"), L"(call print x)\n(call print y)");
    EXPECT_EQ(Tree(L"foo()"), L"(call foo)");
    EXPECT_EQ(Tree(L"foo ()"), L"(call foo)");
    EXPECT_EQ(Tree(L"foo (1 + 2) #(3)"), L"(call foo (block (+ 1 2)) (array 3))");
    EXPECT_EQ(Tree(L"x = foo y"), L"(= x (call foo y))");
    EXPECT_EQ(Tree(L"a.b()"), L"(call (. a b))");
    EXPECT_EQ(Tree(L"a.b().c"), L"(. (call (. a b)) c)");
    EXPECT_EQ(Tree(L"a.b x y"), L"(call (. a b) x y)");
    EXPECT_EQ(Tree(L"a[2].b[3]"), L"(index (. (index a 2) b) 3)");
    // An index is glued to its operand; with a space the bracket starts a point argument.
    EXPECT_EQ(Tree(L"move obj [1,2,3]"), L"(call move obj (point3 1 2 3))");
    EXPECT_EQ(Tree(L"$Box01.pos.x"), L"(. (. $Box01 pos) x)");
}

TEST(Parser, KeywordArguments) {
    EXPECT_EQ(Tree(L"box length:10 width:-5 name:\"W\""), L"(call box length:10 width:(- 5) name:\"W\")");
    EXPECT_EQ(Tree(L"f a key: b"), L"(call f a key:b)");
    EXPECT_EQ(Tree(L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge OVLRD persist:false"),
              L"(call (. LayerManager setDuplicateLayerWithoutSameHierarchyOnMerge) OVLRD persist:false)");
    EXPECT_EQ(Tree(L"format \"%\" x to:ss"), L"(call format \"%\" x to:ss)");
}

TEST(Parser, OperatorPrecedence) {
    EXPECT_EQ(Tree(L"1 + 2 * 3 ^ 2"), L"(+ 1 (* 2 (^ 3 2)))");
    EXPECT_EQ(Tree(L"-a as string + b"), L"(+ (as (- a) string) b)");
    EXPECT_EQ(Tree(L"not a == b and c or d"), L"(or (and (not (== a b)) c) d)");
    EXPECT_EQ(Tree(L"x as integer"), L"(as x integer)");
    EXPECT_EQ(Tree(L"a += b * 2"), L"(+= a (* b 2))");
    EXPECT_EQ(Tree(L"2 ^ 3 ^ 2"), L"(^ 2 (^ 3 2))");
}

TEST(Parser, NewLinesInsideAndOutsideParentheses) {
    // A line ending in an operator continues; inside a block new lines separate expressions.
    EXPECT_EQ(Tree(L"x = 1 +\n 2"), L"(= x (+ 1 2))");
    EXPECT_EQ(Tree(L"(\n a = 1\n b = 2; c\n)"), L"(block (= a 1) (= b 2) c)");
    EXPECT_EQ(Tree(L"#(1,\n 2,\n 3\n)"), L"(array 1 2 3)");
    EXPECT_EQ(Tree(L"f (a +\n b)"), L"(call f (block (+ a b)))");
    EXPECT_EQ(Tree(L"if a\nthen b\nelse c"), L"(if a b c)");
    EXPECT_EQ(Tree(L"if a then (\n b\n)\nelse (\n c\n)"), L"(if a (block b) (block c))");
    EXPECT_EQ(Tree(L"if a then b\nc"), L"(if a b null)\nc");
    EXPECT_EQ(Tree(L"x = 1 \\\n + 2"), L"(= x (+ 1 2))");
    EXPECT_EQ(Tree(L"a;;b;"), L"a\nb");
}

TEST(Parser, ControlStructures) {
    EXPECT_EQ(Tree(L"if a do b"), L"(if-do a b)");
    EXPECT_EQ(Tree(L"for x in arr do print x"), L"(for x arr null (call print x))");
    EXPECT_EQ(Tree(L"for i = 1 to n by 2 where i > 3 collect i * i"),
              L"(for-collect i 1 n 2 (> i 3) (* i i))");
    EXPECT_EQ(Tree(L"for o in objects where o.isHidden collect o"),
              L"(for-collect o objects (. o isHidden) o)");
    EXPECT_EQ(Tree(L"while i < 3 do i += 1"), L"(while (< i 3) (+= i 1))");
    EXPECT_EQ(Tree(L"do (i += 1) while i < 3"), L"(do-while (block (+= i 1)) (< i 3))");
    EXPECT_EQ(Tree(L"fn add a b scale:2 offset: = (a + b) * scale"),
              L"(fn add a b scale:2 offset: (* (block (+ a b)) scale))");
    EXPECT_EQ(Tree(L"function neg x = -x"), L"(fn neg x (- x))");
    EXPECT_EQ(Tree(L"fn f = (return 1; exit with 2; exit; continue)"),
              L"(fn f (block (return 1) (exit 2) (exit null) (continue)))");
    EXPECT_EQ(Tree(L"local a = 1, b"), L"(local a=1 b)");
    EXPECT_EQ(Tree(L"global g"), L"(global g)");
    EXPECT_EQ(Tree(L"try (throw \"x\") catch (print 1)"),
              L"(try (block (call throw \"x\")) (block (call print 1)))");
    EXPECT_EQ(Tree(L"case x of (\n 1: \"one\"\n #b: 2\n default: 0\n)"),
              L"(case x (1 \"one\") (#b 2) (default 0))");
}

TEST(Parser, ContextsAndMaxCommands) {
    EXPECT_EQ(Tree(L"undo off select selection"), L"(context undo null false (call select selection))");
    EXPECT_EQ(Tree(L"undo \"Move\" on (a = 1)"), L"(context undo \"Move\" true (block (= a 1)))");
    EXPECT_EQ(Tree(L"with redraw off (a)"), L"(context redraw null false (block a))");
    EXPECT_EQ(
        Tree(L"actionMan.executeAction 0 \"40015\";undo on select selection"),
        L"(call (. actionMan executeAction) 0 \"40015\")\n(context undo null true (call select selection))");
    EXPECT_EQ(Tree(L"max undo"), L"(max undo)");
    EXPECT_EQ(Tree(L"MAX Redo; max file open"), L"(max redo)\n(max file open)");
}

TEST(Parser, LiteralsOfEveryKind) {
    EXPECT_EQ(Tree(L"#(1, \"a\", #b, [1,2,3], #{1..3, 5}, true, undefined, ok, on, off, 2.5)"),
              L"(array 1 \"a\" #b (point3 1 2 3) (bits (range 1 3) 5) true undefined OK true false 2.5)");
    EXPECT_EQ(Tree(L"#()"), L"(array)");
    EXPECT_EQ(Tree(L"#{}"), L"(bits)");
    EXPECT_EQ(Tree(L"#($'my box', $, $Wall*)"), L"(array $'my box' $ $Wall*)");
}

TEST(Parser, AttributeDefinitionsKeepParametersAndRolloutText) {
    std::wstring text = L"attributes Weapon attribID:#(0x1, 0x2) version:1 (\n"
                        L"  parameters main rollout:params (\n"
                        L"    hp type:#float ui:hpSpin default:10\n"
                        L"    label type:#string default:\"x\"\n"
                        L"    on hp set val do print val\n"
                        L"  )\n"
                        L"  rollout params \"Weapon\" (\n"
                        L"    spinner hpSpin \"HP\" range:[0,100,10]\n"
                        L"    on hpSpin changed v do (print v)\n"
                        L"  )\n"
                        L")";
    AstProgram p = ParseScript(text, L"ca.ms");
    ASSERT_EQ(p.body.size(), 1u);
    EXPECT_EQ(DumpAst(p),
              L"(attributes Weapon attribID:(array 1 2) version:1 (parameters main rollout:params "
              L"(hp type:#float ui:hpSpin default:10) (label type:#string default:\"x\")) "
              L"(rollout params \"Weapon\"))");
    const AstDefinition& d = *p.body[0]->definition;
    ASSERT_EQ(d.blocks.size(), 1u);
    ASSERT_EQ(d.blocks[0].handlers.size(), 1u);
    EXPECT_EQ(d.blocks[0].handlers[0], L"on hp set val do print val");
    ASSERT_EQ(d.rollouts.size(), 1u);
    EXPECT_EQ(d.rollouts[0].body,
              L"\n    spinner hpSpin \"HP\" range:[0,100,10]\n    on hpSpin changed v do (print v)\n  ");
}

TEST(Parser, SyntaxErrorsNameWhatWasExpectedAndWhere) {
    EXPECT_EQ(SyntaxError(L"x = 1\ny = (a b do", L"quickstart.ms"),
              L"quickstart.ms:2:10: syntax error: expected ')' but found 'do'");
    EXPECT_EQ(SyntaxError(L"if a b"),
              L"test.ms:1:7: syntax error: expected 'then' or 'do' but found end of script");
    EXPECT_EQ(SyntaxError(L"for i = 1 do x"), L"test.ms:1:11: syntax error: expected 'to' but found 'do'");
    EXPECT_EQ(SyntaxError(L"x = #(1, 2"),
              L"test.ms:1:11: syntax error: expected ')' but found end of script");
    EXPECT_EQ(SyntaxError(L"a = )"), L"test.ms:1:5: syntax error: expected an expression but found ')'");
    EXPECT_EQ(SyntaxError(L"f x\n)"), L"test.ms:2:1: syntax error: expected an expression but found ')'");
    EXPECT_EQ(SyntaxError(L"a = 1 2"), L"test.ms:1:7: syntax error: expected end of line but found '2'");
    EXPECT_EQ(
        SyntaxError(L"1 + 2 = 3"),
        L"test.ms:1:7: syntax error: expected end of expression (only a variable, a property or an index "
        L"can be assigned) but found '='");
    EXPECT_EQ(SyntaxError(L"[1, 2]"), L"test.ms:1:6: syntax error: expected ',' but found ']'");
    EXPECT_EQ(SyntaxError(L"try (a)\nprint b"),
              L"test.ms:1:8: syntax error: expected 'catch' but found end of line");
}
