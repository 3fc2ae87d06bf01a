#include "SelectStatement.h"

#include "AccessError.h"

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

struct Token {
    enum Kind { End, Word, Name, Text, Number, Parameter, Symbol };
    Kind kind = End;
    QString text;
    QVariant value;
    qsizetype position = 0;
};

// Thrown inside the parser only, caught by parse(): the message and the character it stopped at.
struct ParseError {
    QString message;
    qsizetype position;
};

class Tokenizer {
public:
    explicit Tokenizer(const QString &text)
        : m_text(text)
    {
    }

    Token next()
    {
        while (m_at < m_text.size() && m_text[m_at].isSpace())
            ++m_at;
        Token token;
        token.position = m_at;
        if (m_at >= m_text.size())
            return token;
        const QChar c = m_text[m_at];
        if (c == u'[')
            return bracketed(token);
        if (c == u'\'' || c == u'"')
            return quoted(token, c);
        if (c.isDigit() || (c == u'.' && peekDigit()))
            return number(token);
        if (c.isLetter() || c == u'_')
            return word(token);
        token.kind = c == u'?' ? Token::Parameter : Token::Symbol;
        token.text = c;
        ++m_at;
        return token;
    }

private:
    bool peekDigit() const { return m_at + 1 < m_text.size() && m_text[m_at + 1].isDigit(); }

    Token bracketed(Token &token)
    {
        const qsizetype close = m_text.indexOf(u']', m_at);
        if (close < 0)
            throw ParseError{u"a name in brackets is not closed"_s, m_at};
        token.kind = Token::Name;
        token.text = m_text.mid(m_at + 1, close - m_at - 1);
        m_at = close + 1;
        return token;
    }

    Token quoted(Token &token, QChar quote)
    {
        QString value;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            if (m_text[m_at] == quote) {
                if (m_at + 1 < m_text.size() && m_text[m_at + 1] == quote) {
                    value.append(quote);
                    ++m_at;
                    continue;
                }
                ++m_at;
                token.kind = Token::Text;
                token.value = value;
                return token;
            }
            value.append(m_text[m_at]);
        }
        throw ParseError{u"a text in quotes is not closed"_s, token.position};
    }

    Token number(Token &token)
    {
        const qsizetype start = m_at;
        while (m_at < m_text.size() && (m_text[m_at].isDigit() || m_text[m_at] == u'.'))
            ++m_at;
        token.kind = Token::Number;
        token.text = m_text.mid(start, m_at - start);
        bool ok = false;
        const qlonglong whole = token.text.toLongLong(&ok);
        token.value = ok ? QVariant(whole) : QVariant(token.text.toDouble(&ok));
        if (!ok)
            throw ParseError{u"\"%1\" is not a number"_s.arg(token.text), start};
        return token;
    }

    Token word(Token &token)
    {
        const qsizetype start = m_at;
        while (m_at < m_text.size() && (m_text[m_at].isLetterOrNumber() || m_text[m_at] == u'_'))
            ++m_at;
        token.kind = Token::Word;
        token.text = m_text.mid(start, m_at - start);
        return token;
    }

    const QString &m_text;
    qsizetype m_at = 0;
};

class Parser {
public:
    explicit Parser(const QString &text)
        : m_tokens(text)
    {
        advance();
    }

    SelectStatement statement()
    {
        SelectStatement result;
        expectKeyword(u"SELECT"_s);
        if (isSymbol(u'*')) {
            advance();
            result.columns.append({{}, {}, {}, true});
        } else {
            do {
                result.columns.append(column());
            } while (acceptSymbol(u','));
        }
        expectKeyword(u"FROM"_s);
        result.source = name();
        if (acceptKeyword(u"AS"_s) || (isName() && !isReserved()))
            result.sourceAlias = name();
        if (acceptKeyword(u"WHERE"_s))
            conditions(result);
        acceptSymbol(u';');
        if (m_token.kind != Token::End)
            beyond();
        result.parameterCount = m_parameters;
        return result;
    }

private:
    void advance() { m_token = m_tokens.next(); }

    bool isKeyword(const QString &keyword) const
    {
        return m_token.kind == Token::Word &&
               m_token.text.compare(keyword, Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const QString &keyword)
    {
        if (!isKeyword(keyword))
            return false;
        advance();
        return true;
    }
    void expectKeyword(const QString &keyword)
    {
        if (!acceptKeyword(keyword))
            beyond(keyword);
    }
    bool isSymbol(QChar symbol) const
    {
        return m_token.kind == Token::Symbol && m_token.text == symbol;
    }
    bool acceptSymbol(QChar symbol)
    {
        if (!isSymbol(symbol))
            return false;
        advance();
        return true;
    }
    bool isName() const { return m_token.kind == Token::Word || m_token.kind == Token::Name; }
    // Words that continue a statement and so cannot be a source's alias.
    bool isReserved() const
    {
        static const QStringList words{u"WHERE"_s, u"ORDER"_s, u"GROUP"_s, u"HAVING"_s,
                                       u"UNION"_s, u"INNER"_s, u"LEFT"_s,  u"RIGHT"_s,
                                       u"JOIN"_s,  u"ON"_s,    u"INTO"_s,  u"IN"_s};
        return m_token.kind == Token::Word && words.contains(m_token.text, Qt::CaseInsensitive);
    }

    QString name()
    {
        if (!isName())
            beyond(u"a name"_s);
        QString text = m_token.text;
        advance();
        return text;
    }

    SelectStatement::Column column()
    {
        SelectStatement::Column c;
        c.name = name();
        if (acceptSymbol(u'.')) {
            c.qualifier = c.name;
            c.name.clear();
            if (acceptSymbol(u'*'))
                c.all = true;
            else
                c.name = name();
        }
        if (!c.all && acceptKeyword(u"AS"_s))
            c.alias = name();
        return c;
    }

    // WHERE: equalities joined by AND, in as many parentheses as the writer liked.
    void conditions(SelectStatement &result)
    {
        do {
            condition(result);
        } while (acceptKeyword(u"AND"_s));
    }

    void condition(SelectStatement &result)
    {
        if (isSymbol(u'(') && !parenthesisedOperandAhead()) {
            advance();
            conditions(result);
            if (!acceptSymbol(u')'))
                beyond(u"\")\""_s);
            return;
        }
        SelectStatement::Equality equality;
        equality.left = operand();
        if (!acceptSymbol(u'='))
            beyond(u"\"=\""_s);
        equality.right = operand();
        result.where.append(equality);
    }

    // Access writes "((Druckdaten.LosName)="x")": a parenthesis that holds an operand alone.
    bool parenthesisedOperandAhead()
    {
        Tokenizer probe = m_tokens;
        Token first = probe.next();
        if (first.kind == Token::Symbol && first.text == u"(")
            return false;
        if (first.kind == Token::Word || first.kind == Token::Name) {
            Token t = probe.next();
            if (t.kind == Token::Symbol && t.text == u".") {
                probe.next();
                t = probe.next();
            }
            return t.kind == Token::Symbol && t.text == u")";
        }
        return probe.next().text == u")";
    }

    SelectStatement::Operand operand()
    {
        if (acceptSymbol(u'(')) {
            SelectStatement::Operand inner = operand();
            if (!acceptSymbol(u')'))
                beyond(u"\")\""_s);
            return inner;
        }
        SelectStatement::Operand o;
        if (m_token.kind == Token::Parameter) {
            o.kind = SelectStatement::Operand::Parameter;
            o.parameter = m_parameters++;
            advance();
        } else if (m_token.kind == Token::Text || m_token.kind == Token::Number) {
            o.kind = SelectStatement::Operand::Literal;
            o.value = m_token.value;
            advance();
        } else if (isName() && !isKeyword(u"AND"_s)) {
            o.kind = SelectStatement::Operand::ColumnRef;
            o.name = name();
            if (acceptSymbol(u'.')) {
                o.qualifier = o.name;
                o.name = name();
            }
        } else {
            beyond(u"a column, a value or \"?\""_s);
        }
        return o;
    }

    [[noreturn]] void beyond(const QString &expected = {})
    {
        const QString found = m_token.kind == Token::End ? u"the end"_s
                              : m_token.kind == Token::Text
                                  ? u"'"_s + m_token.value.toString() + u'\''
                                  : u'"' + m_token.text + u'"';
        QString message = expected.isEmpty() ? found + u" is beyond what it evaluates"_s
                                             : u"expected "_s + expected + u", found "_s + found;
        throw ParseError{message, m_token.position};
    }

    Tokenizer m_tokens;
    Token m_token;
    int m_parameters = 0;
};

} // namespace

SelectStatement SelectStatement::parse(const QString &text, Failure &failure)
{
    failure = {};
    try {
        return Parser(text).statement();
    } catch (const ParseError &error) {
        failure = AccessError::make(
            AccessError::Syntax,
            u"The Access database answers SELECT of columns FROM one table or saved select "
            u"query, WHERE column = value joined by AND; at character %1: %2"_s
                .arg(error.position + 1)
                .arg(error.message));
        return {};
    }
}
