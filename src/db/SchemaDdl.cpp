#include "db/SchemaDdl.h"

namespace kestra {

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------
// Tokens of one statement (comments are already gone).

struct Token {
    enum Kind { Word, String, Number, Punct };
    Kind kind = Punct;
    QString text; // a quoted identifier keeps no quotes; a string keeps its quotes
    qsizetype begin = 0;
    qsizetype end = 0; // one past the last character in the statement
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

QList<Token> tokenize(const QString &s)
{
    QList<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.begin = i;
        if (c == u'\'') {
            qsizetype j = i + 1;
            while (j < n) {
                if (s.at(j) == u'\'') {
                    if (j + 1 < n && s.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            t.kind = Token::String;
            t.end = qMin(j + 1, n);
        } else if (c == u'"') {
            const qsizetype j = s.indexOf(u'"', i + 1);
            t.kind = Token::Word;
            t.end = j < 0 ? n : j + 1;
            t.text = s.mid(i + 1, t.end - i - 2);
            tokens.append(t);
            i = t.end;
            continue;
        } else if (c.isDigit()) {
            qsizetype j = i;
            while (j < n && (s.at(j).isDigit() || s.at(j) == u'.'))
                ++j;
            t.kind = Token::Number;
            t.end = j;
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(s.at(j)))
                ++j;
            t.kind = Token::Word;
            t.end = j;
        } else {
            t.kind = Token::Punct;
            t.end = i + 1;
        }
        t.text = s.mid(t.begin, t.end - t.begin);
        tokens.append(t);
        i = t.end;
    }
    return tokens;
}

// A cursor over the tokens of one statement with the few look-ahead helpers
// the DDL grammar needs.
class Parser {
public:
    explicit Parser(const QString &text) : text_(text), tokens_(tokenize(text)) {}

    bool atEnd() const { return pos_ >= tokens_.size(); }
    const Token &peek(qsizetype ahead = 0) const
    {
        static const Token none;
        const qsizetype p = pos_ + ahead;
        return p < tokens_.size() ? tokens_.at(p) : none;
    }
    bool isWord(const char *word, qsizetype ahead = 0) const
    {
        const Token &t = peek(ahead);
        return pos_ + ahead < tokens_.size() && t.kind == Token::Word &&
               t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(char16_t p, qsizetype ahead = 0) const
    {
        const Token &t = peek(ahead);
        return pos_ + ahead < tokens_.size() && t.kind == Token::Punct && t.text.at(0) == QChar(p);
    }
    bool acceptWord(const char *word)
    {
        if (!isWord(word))
            return false;
        ++pos_;
        return true;
    }
    bool acceptPunct(char16_t p)
    {
        if (!isPunct(p))
            return false;
        ++pos_;
        return true;
    }
    bool expectWord(const char *word)
    {
        if (acceptWord(word))
            return true;
        fail(QStringLiteral("expected %1").arg(QLatin1String(word)));
        return false;
    }
    bool expectPunct(char16_t p)
    {
        if (acceptPunct(p))
            return true;
        fail(QStringLiteral("expected \"%1\"").arg(QChar(p)));
        return false;
    }
    bool name(QString *out)
    {
        if (atEnd() || peek().kind != Token::Word) {
            fail(QStringLiteral("expected a name"));
            return false;
        }
        *out = tokens_.at(pos_++).text;
        return true;
    }
    // "(a, b, c)": bare names only.
    bool nameList(QStringList *out)
    {
        if (!expectPunct(u'('))
            return false;
        do {
            QString n;
            if (!name(&n))
                return false;
            out->append(n);
        } while (acceptPunct(u','));
        return expectPunct(u')');
    }
    // Skips to the next top-level ',' or the ')' that closes the current
    // list; returns the text skipped.
    QString skipItem()
    {
        const qsizetype from = atEnd() ? text_.size() : peek().begin;
        int depth = 0;
        while (!atEnd()) {
            if (isPunct(u'('))
                ++depth;
            else if (isPunct(u')')) {
                if (depth == 0)
                    break;
                --depth;
            } else if (isPunct(u',') && depth == 0)
                break;
            ++pos_;
        }
        const qsizetype to = atEnd() ? text_.size() : peek().begin;
        return text_.mid(from, to - from).trimmed();
    }
    void advance()
    {
        if (!atEnd())
            ++pos_;
    }
    const QString &text() const { return text_; }

    void fail(const QString &what)
    {
        if (!error_.isEmpty())
            return;
        const QString near = atEnd() ? QStringLiteral("end of statement") : u'"' + peek().text + u'"';
        error_ = what + QStringLiteral(" near ") + near;
    }
    const QString &error() const { return error_; }
    bool failed() const { return !error_.isEmpty(); }

private:
    QString text_;
    QList<Token> tokens_;
    qsizetype pos_ = 0;
    QString error_;
};

// "VARCHAR(20)", "NUMERIC(12,2)", "INTEGER".
bool parseType(Parser &p, QString *type)
{
    QString base;
    if (!p.name(&base))
        return false;
    QString t = base.toUpper();
    if (p.acceptPunct(u'(')) {
        QStringList args;
        do {
            if (p.peek().kind != Token::Number) {
                p.fail(QStringLiteral("expected a type size"));
                return false;
            }
            args.append(p.peek().text);
            p.advance();
        } while (p.acceptPunct(u','));
        if (!p.expectPunct(u')'))
            return false;
        t += u'(' + args.join(u',') + u')';
    }
    *type = t;
    return true;
}

bool parseColumn(Parser &p, ColumnDef *col)
{
    if (!p.name(&col->name) || !parseType(p, &col->type))
        return false;
    while (!p.atEnd() && !p.isPunct(u',') && !p.isPunct(u')')) {
        if (p.acceptWord("NOT")) {
            if (!p.expectWord("NULL"))
                return false;
            col->notNull = true;
        } else if (p.acceptWord("NULL")) {
            col->notNull = false;
        } else if (p.acceptWord("DEFAULT")) {
            // One literal: a number (maybe negative), a string or a word such
            // as NULL.
            const qsizetype from = p.peek().begin;
            p.acceptPunct(u'-');
            if (p.atEnd() || p.peek().kind == Token::Punct) {
                p.fail(QStringLiteral("expected a default value"));
                return false;
            }
            const qsizetype to = p.peek().end;
            p.advance();
            col->defaultValue = p.text().mid(from, to - from);
        } else if (p.isWord("PRIMARY") || p.isWord("UNIQUE") || p.isWord("REFERENCES") || p.isWord("CONSTRAINT")) {
            p.fail(QStringLiteral("keys must be named table constraints"));
            return false;
        } else {
            p.fail(QStringLiteral("unsupported column clause"));
            return false;
        }
    }
    return true;
}

// "CONSTRAINT name PRIMARY KEY (...)" and its UNIQUE and FOREIGN KEY forms.
bool parseKey(Parser &p, const QString &table, KeyDef *key)
{
    if (!p.expectWord("CONSTRAINT") || !p.name(&key->name))
        return false;
    key->table = table;
    if (p.acceptWord("PRIMARY")) {
        key->kind = KeyDef::Primary;
        if (!p.expectWord("KEY"))
            return false;
    } else if (p.acceptWord("UNIQUE")) {
        key->kind = KeyDef::Unique;
    } else if (p.acceptWord("FOREIGN")) {
        key->kind = KeyDef::Foreign;
        if (!p.expectWord("KEY"))
            return false;
    } else {
        p.fail(QStringLiteral("expected PRIMARY KEY, UNIQUE or FOREIGN KEY"));
        return false;
    }
    if (!p.nameList(&key->columns))
        return false;
    if (key->kind == KeyDef::Foreign) {
        if (!p.expectWord("REFERENCES") || !p.name(&key->refTable) || !p.nameList(&key->refColumns))
            return false;
        if (key->refColumns.size() != key->columns.size()) {
            p.fail(QStringLiteral("foreign key column counts differ"));
            return false;
        }
        // Referential actions (ON DELETE ...) are kept as written.
        key->actions = p.skipItem();
    }
    return true;
}

bool parseCreateTable(Parser &p, DdlStatement *out)
{
    out->kind = DdlStatement::CreateTable;
    if (!p.name(&out->table.name) || !p.expectPunct(u'('))
        return false;
    do {
        if (p.isWord("CONSTRAINT")) {
            KeyDef key;
            if (!parseKey(p, out->table.name, &key))
                return false;
            out->table.keys.append(key);
        } else if (p.isWord("PRIMARY") || p.isWord("UNIQUE") || p.isWord("FOREIGN") || p.isWord("CHECK")) {
            p.fail(QStringLiteral("keys must be named table constraints"));
            return false;
        } else {
            ColumnDef col;
            if (!parseColumn(p, &col))
                return false;
            if (out->table.column(col.name)) {
                p.fail(QStringLiteral("column %1 declared twice").arg(col.name));
                return false;
            }
            out->table.columns.append(col);
        }
    } while (p.acceptPunct(u','));
    if (!p.expectPunct(u')'))
        return false;
    if (!p.atEnd()) {
        p.fail(QStringLiteral("unexpected text after the table"));
        return false;
    }
    return true;
}

bool parseCreateIndex(Parser &p, bool unique, DdlStatement *out)
{
    out->kind = DdlStatement::CreateIndex;
    out->index.unique = unique;
    if (p.acceptWord("IF") && (!p.expectWord("NOT") || !p.expectWord("EXISTS")))
        return false;
    if (!p.name(&out->index.name) || !p.expectWord("ON") || !p.name(&out->index.table) || !p.expectPunct(u'('))
        return false;
    do {
        QString column;
        if (!p.name(&column))
            return false;
        const QString rest = p.skipItem();
        out->index.columns.append(column);
        out->index.columnDefs.append(rest.isEmpty() ? column : column + u' ' + rest);
    } while (p.acceptPunct(u','));
    if (!p.expectPunct(u')'))
        return false;
    if (!p.atEnd()) {
        p.fail(QStringLiteral("unsupported index clause"));
        return false;
    }
    return true;
}

bool parseCreateSequence(Parser &p, DdlStatement *out)
{
    out->kind = DdlStatement::CreateSequence;
    if (!p.name(&out->sequence.name))
        return false;
    if (p.acceptWord("START")) {
        p.acceptWord("WITH");
        bool ok = false;
        if (!p.atEnd() && p.peek().kind == Token::Number)
            out->sequence.start = p.peek().text.toLongLong(&ok);
        if (!ok) {
            p.fail(QStringLiteral("expected a whole start value"));
            return false;
        }
        p.advance();
    }
    if (!p.atEnd()) {
        // Only START WITH has a counterpart in the SQLite counter table.
        p.fail(QStringLiteral("unsupported sequence option"));
        return false;
    }
    return true;
}

bool parseAlterTable(Parser &p, DdlStatement *out)
{
    if (!p.name(&out->target) || !p.expectWord("ADD"))
        return false;
    if (p.isWord("CONSTRAINT")) {
        out->kind = DdlStatement::AlterAddKey;
        if (!parseKey(p, out->target, &out->key))
            return false;
        if (!p.atEnd()) {
            p.fail(QStringLiteral("unexpected text after the key"));
            return false;
        }
        return true;
    }
    out->kind = DdlStatement::AlterAddColumn;
    p.acceptWord("COLUMN");
    if (!parseColumn(p, &out->column))
        return false;
    if (!p.atEnd()) {
        p.fail(QStringLiteral("unexpected text after the column"));
        return false;
    }
    return true;
}

bool parseDrop(Parser &p, DdlStatement *out)
{
    if (p.acceptWord("TABLE"))
        out->kind = DdlStatement::DropTable;
    else if (p.acceptWord("INDEX"))
        out->kind = DdlStatement::DropIndex;
    else if (p.acceptWord("SEQUENCE"))
        out->kind = DdlStatement::DropSequence;
    else {
        out->kind = DdlStatement::Other;
        return true;
    }
    if (p.acceptWord("IF") && !p.expectWord("EXISTS"))
        return false;
    if (!p.name(&out->target))
        return false;
    p.acceptWord("CASCADE");
    if (!p.atEnd()) {
        p.fail(QStringLiteral("unexpected text after the name"));
        return false;
    }
    return true;
}

QString uniqueIndexFor(const KeyDef &key)
{
    return QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)").arg(key.name, key.table, key.columns.join(u", "));
}

QString quoted(const QString &value)
{
    QString v = value;
    v.replace(u'\'', QStringLiteral("''"));
    return u'\'' + v + u'\'';
}

} // namespace

// ---------------------------------------------------------------------------

const ColumnDef *TableDef::column(const QString &name) const
{
    for (const ColumnDef &c : columns)
        if (sameName(c.name, name))
            return &c;
    return nullptr;
}

const TableDef *SchemaModel::table(const QString &name) const
{
    for (const TableDef &t : tables)
        if (sameName(t.name, name))
            return &t;
    return nullptr;
}

TableDef *SchemaModel::table(const QString &name)
{
    for (TableDef &t : tables)
        if (sameName(t.name, name))
            return &t;
    return nullptr;
}

const IndexDef *SchemaModel::index(const QString &name) const
{
    for (const IndexDef &i : indexes)
        if (sameName(i.name, name))
            return &i;
    return nullptr;
}

QList<KeyDef> SchemaModel::keys() const
{
    QList<KeyDef> all;
    for (const TableDef &t : tables)
        all += t.keys;
    return all;
}

const KeyDef *SchemaModel::key(const QString &name) const
{
    for (const TableDef &t : tables)
        for (const KeyDef &k : t.keys)
            if (sameName(k.name, name))
                return &k;
    return nullptr;
}

bool splitSqlStatements(const QString &sql, QStringList *statements, QString *error)
{
    enum State { Normal, InString, InIdent, InLineComment, InBlockComment };
    State state = Normal;
    QString current;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        switch (state) {
        case Normal:
            if (c == u'-' && next == u'-') {
                state = InLineComment;
                ++i;
            } else if (c == u'/' && next == u'*') {
                state = InBlockComment;
                current += u' ';
                ++i;
            } else if (c == u';') {
                const QString s = current.trimmed();
                if (!s.isEmpty())
                    statements->append(s);
                current.clear();
            } else {
                if (c == u'\'')
                    state = InString;
                else if (c == u'"')
                    state = InIdent;
                current += c;
            }
            break;
        case InString:
            current += c;
            if (c == u'\'') {
                if (next == u'\'') {
                    current += next;
                    ++i;
                } else {
                    state = Normal;
                }
            }
            break;
        case InIdent:
            current += c;
            if (c == u'"')
                state = Normal;
            break;
        case InLineComment:
            if (c == u'\n') {
                state = Normal;
                current += c;
            }
            break;
        case InBlockComment:
            if (c == u'*' && next == u'/') {
                state = Normal;
                ++i;
            }
            break;
        }
    }
    if (state == InString || state == InIdent || state == InBlockComment) {
        if (error)
            *error = state == InBlockComment ? QStringLiteral("unterminated comment")
                                             : QStringLiteral("unterminated quoted text");
        return false;
    }
    const QString rest = current.trimmed();
    if (!rest.isEmpty())
        statements->append(rest);
    return true;
}

bool parseDdlStatement(const QString &statement, DdlStatement *out, QString *error)
{
    *out = DdlStatement();
    out->text = statement.trimmed();
    Parser p(out->text);
    bool ok = true;
    if (p.acceptWord("CREATE")) {
        if (p.acceptWord("TABLE"))
            ok = parseCreateTable(p, out);
        else if (p.acceptWord("UNIQUE"))
            ok = p.expectWord("INDEX") && parseCreateIndex(p, true, out);
        else if (p.acceptWord("INDEX"))
            ok = parseCreateIndex(p, false, out);
        else if (p.acceptWord("SEQUENCE"))
            ok = parseCreateSequence(p, out);
    } else if (p.acceptWord("ALTER")) {
        // Only the forms the checker can follow; anything else would leave the
        // expected schema wrong.
        ok = p.expectWord("TABLE") && parseAlterTable(p, out);
    } else if (p.acceptWord("DROP")) {
        ok = parseDrop(p, out);
    }
    if (!ok || p.failed()) {
        if (error)
            *error = p.error();
        return false;
    }
    return true;
}

bool applyDdlStatement(SchemaModel &model, const DdlStatement &st, QString *error)
{
    auto fail = [error](const QString &what) {
        if (error)
            *error = what;
        return false;
    };
    switch (st.kind) {
    case DdlStatement::CreateTable:
        if (model.table(st.table.name))
            return fail(QStringLiteral("table %1 declared twice").arg(st.table.name));
        for (const KeyDef &k : st.table.keys)
            if (model.key(k.name) || model.index(k.name))
                return fail(QStringLiteral("name %1 used twice").arg(k.name));
        model.tables.append(st.table);
        return true;
    case DdlStatement::CreateIndex: {
        const TableDef *t = model.table(st.index.table);
        if (!t)
            return fail(QStringLiteral("index %1 on unknown table %2").arg(st.index.name, st.index.table));
        if (model.index(st.index.name) || model.key(st.index.name))
            return fail(QStringLiteral("name %1 used twice").arg(st.index.name));
        for (const QString &c : st.index.columns)
            if (!t->column(c))
                return fail(QStringLiteral("index %1 names unknown column %2").arg(st.index.name, c));
        model.indexes.append(st.index);
        return true;
    }
    case DdlStatement::CreateSequence:
        model.sequences.append(st.sequence);
        return true;
    case DdlStatement::AlterAddColumn: {
        TableDef *t = model.table(st.target);
        if (!t)
            return fail(QStringLiteral("unknown table %1").arg(st.target));
        if (t->column(st.column.name))
            return fail(QStringLiteral("column %1.%2 exists").arg(st.target, st.column.name));
        t->columns.append(st.column);
        return true;
    }
    case DdlStatement::AlterAddKey: {
        TableDef *t = model.table(st.target);
        if (!t)
            return fail(QStringLiteral("unknown table %1").arg(st.target));
        if (model.key(st.key.name) || model.index(st.key.name))
            return fail(QStringLiteral("name %1 used twice").arg(st.key.name));
        t->keys.append(st.key);
        return true;
    }
    case DdlStatement::DropTable:
        for (qsizetype i = 0; i < model.tables.size(); ++i)
            if (sameName(model.tables.at(i).name, st.target))
                model.tables.removeAt(i--);
        for (qsizetype i = 0; i < model.indexes.size(); ++i)
            if (sameName(model.indexes.at(i).table, st.target))
                model.indexes.removeAt(i--);
        return true;
    case DdlStatement::DropIndex:
        for (qsizetype i = 0; i < model.indexes.size(); ++i)
            if (sameName(model.indexes.at(i).name, st.target))
                model.indexes.removeAt(i--);
        return true;
    case DdlStatement::DropSequence:
        for (qsizetype i = 0; i < model.sequences.size(); ++i)
            if (sameName(model.sequences.at(i).name, st.target))
                model.sequences.removeAt(i--);
        return true;
    case DdlStatement::Other:
        return true;
    }
    return true;
}

QString sqliteSequenceRow(const SequenceDef &sequence)
{
    return QStringLiteral("INSERT INTO kestra_sequence (seq_name, last_value) VALUES (%1, %2)")
        .arg(quoted(sequence.name.toLower()))
        .arg(sequence.start - 1);
}

QStringList dialectStatements(const DdlStatement &st, SchemaDialect dialect)
{
    if (dialect == SchemaDialect::Postgres)
        return {st.text};
    switch (st.kind) {
    case DdlStatement::CreateTable: {
        // Columns and foreign keys stay in the table; named primary and
        // unique keys become unique indexes of the same name, which
        // PRAGMA index_list reports and the error mapping can find.
        QStringList items;
        for (const ColumnDef &c : st.table.columns) {
            QString item = c.name + u' ' + c.type;
            if (c.notNull)
                item += QStringLiteral(" NOT NULL");
            if (!c.defaultValue.isEmpty())
                item += QStringLiteral(" DEFAULT ") + c.defaultValue;
            items.append(item);
        }
        QStringList indexes;
        for (const KeyDef &k : st.table.keys) {
            if (k.kind == KeyDef::Foreign)
                items.append(QStringLiteral("CONSTRAINT %1 FOREIGN KEY (%2) REFERENCES %3 (%4)")
                                 .arg(k.name, k.columns.join(u", "), k.refTable, k.refColumns.join(u", ")) +
                             (k.actions.isEmpty() ? QString() : u' ' + k.actions));
            else
                indexes.append(uniqueIndexFor(k));
        }
        return QStringList{QStringLiteral("CREATE TABLE %1 (\n    %2\n)").arg(st.table.name, items.join(u",\n    "))} +
               indexes;
    }
    case DdlStatement::AlterAddKey:
        if (st.key.kind != KeyDef::Foreign)
            return {uniqueIndexFor(st.key)};
        return {st.text}; // SQLite refuses it; the installer reports its error
    case DdlStatement::CreateSequence:
        return {sqliteSequenceRow(st.sequence)};
    case DdlStatement::DropSequence:
        return {QStringLiteral("DELETE FROM kestra_sequence WHERE seq_name = %1").arg(quoted(st.target.toLower()))};
    default:
        return {st.text};
    }
}

} // namespace kestra
