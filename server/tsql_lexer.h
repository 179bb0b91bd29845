// The T-SQL tokenizer of the embedded server: literals with doubled quotes, [..] and ".."
// identifiers, N'..' texts, comments, parameters. Translation works on its tokens only, so
// nothing inside a literal or a comment is ever rewritten.
#pragma once

#include <QString>
#include <vector>

namespace qel::server::tsql {

enum class Tok : unsigned char {
    Word,       // keyword or bare identifier: letters, digits, _, $, #
    QuotedId,   // [name] or "name"; value is the unquoted name
    String,     // 'text' or N'text'; value is the text with quotes undoubled
    Number,     // 12, 1.5, .5, 1e3
    Param,      // ? or :name (positional, numbered in order of appearance)
    Variable,   // @name, @@name
    Op,         // = <> != < > <= >= !< !> + - * / % & | ^ ~ ||
    LParen,
    RParen,
    Comma,
    Dot,
    Semicolon,
    Raw,        // already translated SQL text, emitted as it stands
};

struct Token {
    Tok kind = Tok::Word;
    QString text;          // as written (for errors and untouched emission)
    QString value;         // unquoted identifier / undoubled string / upper-cased word
    int pos = 0;           // offset in the source text
    int param = -1;        // Param: its 0-based position among the batch's parameters
    bool nPrefix = false;  // String written as N'..'
    bool spaceBefore = false; // whitespace or a comment stood before it
    bool hadComment = false;  // a comment stood before it
    bool plain = false;       // String made by the translation itself: emitted without a collation
};

// Thrown for text that cannot be tokenized (an unclosed literal or comment).
struct LexError {
    QString message;
};

// Splits the text into tokens; comments and whitespace are dropped (noted on the next token).
// sawComment, when given, is set when the text holds any comment. A NUL character anywhere
// (the storage would read the statement only up to it) is a LexError.
std::vector<Token> tokenize(const QString& text, bool* sawComment = nullptr);

// A name and a text as the storage's SQL quotes them ("a""b", 'it''s'), for the statements
// the server composes; the tokenizer reads them back as one name and one text.
QString quotedName(const QString& name);
QString quotedText(const QString& text);

// The refusal of a statement text that holds a NUL character.
QString nulCharacterMessage();

// True when the word (already upper-cased) is a reserved word that cannot be a bare name.
bool isKeyword(const QString& upperWord);

// True when the name (already upper-cased) is a function of the dialect: T-SQL's own that
// the storage gives the same meaning, and the server's scalar function. Anything else —
// the storage's own functions included — is unknown to the server.
bool isDialectFunction(const QString& upperName);

} // namespace qel::server::tsql
