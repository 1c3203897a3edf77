#pragma once

// Internal to the translator (OracleTranslator.cpp, OracleFunctionCalls.cpp).

#include "db/sql/OracleSql.h"
#include "db/sql/SqlTokenizer.h"

#include <vector>

namespace kestra::sqlx {

// What a word is to the translator, looked up once per token.
enum SqlWordFlag : unsigned char {
    ReservedWord = 1,  // never starts an operand, never an alias
    ClauseEndWord = 2, // ends a WHERE clause or an ORDER BY list
    SetOperatorWord = 4,
};
unsigned char sqlWordFlags(QStringView word);
inline bool isSqlKeyword(QStringView word)
{
    return (sqlWordFlags(word) & ReservedWord) != 0;
}

// A token, or a parenthesised group of nodes.
struct SqlNode {
    int tok = 0;    // the token; for a group its "("
    int close = -1; // a group's ")" token, -1 when the text ends first
    bool group = false;
    std::vector<SqlNode> children;
};

// What the clause pass decided for one node of a level.
struct NodeEdit {
    bool skip = false;
    bool unwrap = false; // a group emitted without its parentheses
    bool hasReplace = false;
    QString replace; // token text instead of the original
    QString before;  // after the node's whitespace, before its text
    QString after;   // after its text
};

class Translator;

// One level of nesting: the nodes between a pair of parentheses (or the
// whole statement), with the edits of the clause pass.
struct Level {
    const std::vector<SqlNode> &nodes;
    std::vector<int> editOf; // index into edits, -1 for none
    std::vector<NodeEdit> edits;
    std::vector<int> caseEnd; // for CASE: index of its END, else -1
    QString tail;             // text appended after the last node
    bool top = false;

    explicit Level(const std::vector<SqlNode> &n) : nodes(n), editOf(n.size(), -1), caseEnd(n.size(), -1) {}
    int size() const { return static_cast<int>(nodes.size()); }
    NodeEdit &edit(int i)
    {
        if (editOf[i] < 0) {
            editOf[i] = static_cast<int>(edits.size());
            edits.emplace_back();
        }
        return edits[editOf[i]];
    }
    const NodeEdit *editIf(int i) const { return editOf[i] < 0 ? nullptr : &edits[editOf[i]]; }
    bool skipped(int i) const { return editOf[i] >= 0 && edits[editOf[i]].skip; }
};

// An additive expression: terms joined by + - ||.
struct ExprParse {
    int end = -1;
    bool concat = false;
    std::vector<int> ops; // node index of each operator between terms
};

class Translator {
public:
    Translator(QStringView sql, SqlDialect target);
    QString run();

    // Used by the function-call rewrites.
    QStringView sql() const { return sql_; }
    SqlDialect target() const { return target_; }
    const SqlToken &token(const SqlNode &n) const { return tokens_[n.tok]; }
    QStringView text(const SqlNode &n) const { return tokens_[n.tok].text(sql_); }
    bool isWord(const SqlNode &n, QLatin1StringView w) const { return !n.group && tokens_[n.tok].is(sql_, w); }
    bool isKind(const SqlNode &n, SqlToken::Kind k) const { return !n.group && tokens_[n.tok].kind == k; }
    bool hasFlag(const SqlNode &n, SqlWordFlag f) const { return !n.group && (wordFlags_[n.tok] & f) != 0; }

    void prepareLevel(Level &level);
    void emitRange(Level &level, int from, int to, QString &out);
    void emitNode(Level &level, int i, QString &out);
    void emitTrivia(const SqlToken &t, QString &out);
    // The translated children of a group with the whitespace before its
    // ")", and the parentheses unless bare.
    QString emitGroupBody(const SqlNode &group, bool bare = false);
    void emitPlain(Level &level, int from, int to, QString &out);
    QString rangeText(Level &level, int from, int to); // translated and trimmed

    // Operands: the end of the operand that starts at i (a literal, a name,
    // a call, a group, a CASE ... END), -1 when none starts there.
    int unitEnd(const Level &level, int i, int to) const;
    int parseTerm(const Level &level, int i, int to) const;
    ExprParse parseExpr(const Level &level, int i, int to) const;
    int chainEnd(const Level &level, int j) const; // a.b.c
    // Emits what comes in front of node i: pending separation, its
    // whitespace and comments, and the edit's "before" text.
    void beginNode(Level &level, int i, QString &out);

    // OracleFunctionCalls.cpp: a rewritten call name(args) with the name at
    // i and the argument group at i + 1; false leaves it to the caller.
    bool emitFunctionCall(Level &level, int i, QString &out);
    // a || b with Oracle's NULL-as-empty rule, of already translated operands.
    QString concatExpression(const QStringList &operands, const std::vector<bool> &plainOperand) const;

    // OracleExpressions.cpp: a quoted number compared with a numeric call
    // becomes the number; date plus or minus days, and a date minus a date.
    void planNumericComparison(Level &level, int op);
    void planBareNumberComparison(Level &level, int op);
    void planBareNumberList(Level &level, int in);
    bool emitDateArithmetic(Level &level, int from, const ExprParse &expr, QString &out);
    bool isDateTerm(const Level &level, int from, int to) const;

    // The statement cannot be given Oracle's meaning: it is replaced by one
    // that fails with this Oracle-numbered text.
    void refuse(const QString &oracleError)
    {
        if (refusal_.isEmpty())
            refusal_ = oracleError;
    }

private:
    void buildTree();
    void planStatementStart(Level &level, int first);
    void planLevel(Level &level);
    void planWhereRownum(Level &level, int where, int clauseEnd);
    bool rowsAreCombined(const Level &level, int where, int clauseEnd) const;
    void limitRowSource(Level &level, int where, int clauseEnd, long limit);
    void planOrderBy(Level &level, int by);
    void planForUpdate(Level &level, int forIdx);
    void emitUnit(Level &level, int i, int end, QString &out);
    void emitConcat(Level &level, int from, const ExprParse &expr, QString &out);
    void emitToken(const SqlNode &n, QString &out);

    QStringView sql_;
    SqlDialect target_;
    std::vector<SqlToken> tokens_;
    std::vector<unsigned char> wordFlags_; // per token
    std::vector<SqlNode> root_;
    int depth_ = 0;
    bool pendingSpace_ = false;
    int subqueryNames_ = 0;
    QString refusal_;
};

} // namespace kestra::sqlx
